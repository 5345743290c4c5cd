#include "rules/folder_chain_rules.h"

#include <cstring>
#include <string>

#include "common/install_options.h"
#include "rules/payload_rules.h"
#include "rules/text_rules.h"

namespace {

bool EndsInBackslash(const char* text, std::size_t length) {
  return length > 0 && text[length - 1] == '\\';
}

// Rebuilds path level by level into rebuilt, creating each level on the way.
void CreateLevels(FolderSystem& system, const char* path, char* rebuilt) {
  std::size_t length = std::strlen(path);
  std::size_t built = 0;
  std::size_t scan = 0;
  rebuilt[0] = '\0';
  // The two leading backslashes of a UNC path are no level separators.
  if (length > 1 && path[0] == '\\' && path[1] == '\\') {
    rebuilt[built++] = '\\';
    rebuilt[built++] = '\\';
    scan = 2;
  }
  std::size_t end = length < kPathSize ? length : kPathSize;
  for (; scan < end; ++scan) {
    if (path[scan] != '\\') {
      if (built < kPathSize - 1) rebuilt[built++] = path[scan];
      continue;
    }
    rebuilt[built] = '\0';
    TrimBlanks(rebuilt);
    built = std::strlen(rebuilt);
    system.MakeFolder(rebuilt);
    // A doubled backslash adds no second one.
    if (!EndsInBackslash(rebuilt, built) && built <= 258) rebuilt[built++] = '\\';
  }
  rebuilt[built] = '\0';
}

}  // namespace

int CreateFolderChainIn(FolderSystem& system, char* path) {
  if (path[0] == '\0') return 0;
  TrimBlanks(path);
  if (path[0] == '\0') return 0;
  AppendBackslash(path);

  if (system.FolderExists(path)) return 1;

  char rebuilt[kPathSize];
  CreateLevels(system, path, rebuilt);
  std::memcpy(path, rebuilt, std::strlen(rebuilt) + 1);
  AppendBackslash(path);
  return system.FolderExists(path) ? 1 : 0;
}

bool IsInFolder(std::string_view path, std::string_view folder) {
  std::string path_key = FileSystemKey(path);
  std::string folder_key = FileSystemKey(folder);
  while (!folder_key.empty() && folder_key.back() == '/') folder_key.pop_back();
  if (folder_key.empty() || path_key.compare(0, folder_key.size(), folder_key) != 0) return false;
  return path_key.size() == folder_key.size() || path_key[folder_key.size()] == '/';
}
