#include "support/full_disk.h"

#include <algorithm>
#include <cstdlib>

#include "common/scoped_win.h"
#include "support/scratch.h"

namespace {

// The host folder named by an environment variable, on Wine's Z: drive.
std::string HostFolder(const char* variable) {
  const char* unix_path = std::getenv(variable);
  if (unix_path == nullptr || unix_path[0] != '/') return {};
  std::string path = std::string("Z:") + unix_path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

}  // namespace

std::string FullDiskFolder() {
  std::string path = HostFolder("PELLUMARA_FULL_DISK");
  return !path.empty() && FileExists(path + "\\.full-disk") ? path : std::string();
}

std::string FreshFolderOnFullDisk(const std::string& name) {
  std::string disk = FullDiskFolder();
  if (disk.empty()) return {};
  std::string folder = disk + "\\" + name;
  RemoveTree(folder);
  return CreateDirectoryA(folder.c_str(), nullptr) ? folder : std::string();
}

std::string ReadOnlyFolder() {
  std::string path = HostFolder("PELLUMARA_READ_ONLY");
  if (path.empty() || !FolderExists(path)) return {};
  std::string probe = path + "\\probe.txt";
  ScopedHandle file(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  if (!file) return path;
  file.Close();
  DeleteFileA(probe.c_str());
  return {};
}
