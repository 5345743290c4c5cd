// The folder-chain algorithm over an abstract file system, so that the rules
// run natively under the sanitizers and on Windows with the real calls.
#pragma once

#include <string>
#include <string_view>

class FolderSystem {
 public:
  virtual ~FolderSystem() = default;
  // Makes path the current directory; false when that is not possible.
  virtual bool ChangeDirectory(const char* path) = 0;
  // Creates one folder level; failures are harmless and not reported.
  virtual void MakeDirectory(const char* path) = 0;
  // The current directory, empty when it cannot be read.
  virtual std::string CurrentDirectory() = 0;
};

// Makes sure the folder in path (kPathSize bytes) exists, creating every
// missing level, and rewrites path into its canonical form: trimmed, each
// level without trailing blanks, doubled backslashes collapsed, ending in a
// backslash. Returns 1 when the folder exists afterwards, else 0. The current
// directory is the same afterwards as before.
int CreateFolderChainIn(FolderSystem& system, char* path);

// True when path is folder itself or lies below it, the names compared as
// Windows compares them; a trailing backslash on either makes no difference.
bool IsInFolder(std::string_view path, std::string_view folder);
