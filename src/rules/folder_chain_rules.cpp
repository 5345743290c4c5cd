#include "rules/folder_chain_rules.h"

#include <cstring>
#include <string>

#include "common/install_options.h"
#include "rules/payload_rules.h"
#include "rules/text_rules.h"

namespace {

// Rebuilds path level by level into rebuilt, each level without its
// trailing blanks; with system, creating each level on the way.
void RebuildLevels(FolderSystem* system, const char* path, char* rebuilt,
                   const CodePageCharacters& characters) {
  const std::string_view whole(path, strnlen(path, kPathSize));
  std::size_t built = 0;
  std::size_t scan = 0;
  rebuilt[0] = '\0';
  // The two leading backslashes of a UNC path are no level separators.
  if (whole.substr(0, 2) == "\\\\") {
    rebuilt[built++] = '\\';
    rebuilt[built++] = '\\';
    scan = 2;
  }
  for (std::size_t next = 0; scan < whole.size(); scan = next) {
    next = characters.Next(whole, scan);
    if (next - scan > 1 || whole[scan] != '\\') {
      // A character whole, or not at all.
      if (built + (next - scan) < kPathSize) {
        for (std::size_t i = scan; i < next; ++i) rebuilt[built++] = whole[i];
      }
      continue;
    }
    rebuilt[built] = '\0';
    TrimBlanks(rebuilt);
    built = std::strlen(rebuilt);
    if (system != nullptr) system->MakeFolder(rebuilt);
    // A doubled backslash adds no second one.
    if (!characters.EndsWith(std::string_view(rebuilt, built), '\\') && built <= 258) {
      rebuilt[built++] = '\\';
    }
  }
  rebuilt[built] = '\0';
}

}  // namespace

bool MakeCanonicalFolder(char* path, const CodePageCharacters& characters) {
  TrimBlanks(path);
  // A backslash after a character cut short would become its last byte
  // (0x5C is a second byte in 932): such a path names no folder for sure.
  if (characters.EndsInsideCharacter(path)) path[0] = '\0';
  if (path[0] == '\0') return false;
  AppendBackslash(path, characters);
  char rebuilt[kPathSize];
  RebuildLevels(nullptr, path, rebuilt, characters);
  std::memcpy(path, rebuilt, std::strlen(rebuilt) + 1);
  AppendBackslash(path, characters);
  return true;
}

bool CreateFolderChainIn(FolderSystem& system, char* path, const CodePageCharacters& characters) {
  // Canonical whether or not the folder stands: a level typed with a
  // trailing blank ("C:\\Tools \\") is another folder than the one the
  // chain would make, and the caller goes on with the path as rewritten.
  if (path[0] == '\0' || !MakeCanonicalFolder(path, characters)) return false;
  if (system.FolderExists(path)) return true;

  char rebuilt[kPathSize];
  RebuildLevels(&system, path, rebuilt, characters);
  std::memcpy(path, rebuilt, std::strlen(rebuilt) + 1);
  AppendBackslash(path, characters);
  return system.FolderExists(path);
}

bool IsInFolder(std::string_view path, std::string_view folder,
                const CodePageCharacters& characters) {
  std::string path_key = FileSystemKey(path, characters);
  std::string folder_key = FileSystemKey(folder, characters);
  while (!folder_key.empty() && folder_key.back() == '/') folder_key.pop_back();
  if (folder_key.empty() || path_key.compare(0, folder_key.size(), folder_key) != 0) return false;
  return path_key.size() == folder_key.size() || path_key[folder_key.size()] == '/';
}
