// The folder-chain algorithm over an abstract file system, so that the rules
// run natively under the sanitizers and on Windows with the real calls.
#pragma once

#include <string_view>

#include "rules/code_page_characters.h"

class FolderSystem {
 public:
  virtual ~FolderSystem() = default;
  // True when a folder stands at path.
  virtual bool FolderExists(const char* path) = 0;
  // Creates one folder level. A level that cannot be made is not reported
  // here: the chain finds its folder missing at the end.
  virtual void MakeFolder(const char* path) = 0;
};

// Rewrites path (kPathSize bytes) into the canonical form the chain makes
// and names, touching nothing: trimmed, each level without trailing blanks
// (a UNC server and share too), doubled backslashes collapsed, ending in a
// backslash. A folder judged before the chain is judged in this form.
// False, with path empty, when only blanks were given, or when path ends
// inside a character (a lead byte without its second byte).
bool MakeCanonicalFolder(char* path, const CodePageCharacters& characters);

// Makes sure the folder in path (kPathSize bytes) exists, creating every
// missing level, and rewrites path into its canonical form: trimmed, each
// level without trailing blanks, doubled backslashes collapsed, ending in a
// backslash. True when the folder exists afterwards. Its
// levels are split at the backslashes among the path's characters.
bool CreateFolderChainIn(FolderSystem& system, char* path, const CodePageCharacters& characters);

// True when path is folder itself or lies below it, the names compared as
// Windows compares them; a trailing backslash on either makes no difference.
bool IsInFolder(std::string_view path, std::string_view folder,
                const CodePageCharacters& characters);
