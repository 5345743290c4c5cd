#include "support/full_disk.h"

#include <algorithm>
#include <cstdlib>

#include "support/scratch.h"

std::string FullDiskFolder() {
  const char* unix_path = std::getenv("PELLUMARA_FULL_DISK");
  if (unix_path == nullptr || unix_path[0] != '/') return {};
  std::string path = std::string("Z:") + unix_path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return FileExists(path + "\\.full-disk") ? path : std::string();
}
