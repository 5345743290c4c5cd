#include "files/entry_folders.h"

#include <windows.h>

#include <string>
#include <utility>

#include "common/code_page_bytes.h"
#include "common/install_options.h"
#include "common/scoped_win.h"
#include "files/held_folders.h"
#include "rules/code_page_characters.h"
#include "rules/text_rules.h"

namespace {

bool IsReparsePoint(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Removes a link at a folder level and creates the real folder. Windows
// removes a directory link or junction itself with RemoveDirectoryA; Wine 8
// follows the link instead and fails while the folder it points to holds
// anything, so the link then stays and the caller stops.
bool ReplaceFolderLink(const char* level) {
  if (!RemoveDirectoryA(level)) return false;
  return CreateDirectoryA(level, nullptr) != 0;
}

// Calls visit(level) for every folder level of a relative name, outermost
// first: each part that ends before a "/" or "\" among its characters (an
// entry's name is ASCII, a settings folder's may be in any script the code
// page holds), and with whole_name the name itself too (a trailing "/" or
// "\" left off). Stops at the first visit that returns false; false then,
// and when the name does not fit a path.
template <typename Visit>
bool ForEachFolderLevel(const char* relative_name, bool whole_name, Visit visit) {
  const std::string_view name(relative_name);
  if (name.size() >= kPathSize) return false;
  const CodePageCharacters characters = CodePageCharacters::Of(SystemAnsiCodePage());
  std::size_t end = characters.FindFirstOf(name, "/\\");
  for (; end != std::string_view::npos; end = characters.FindFirstOf(name, "/\\", end + 1)) {
    if (end > 0 && !visit(std::string(name.substr(0, end)).c_str())) return false;
  }
  const std::size_t last = characters.FindLastOf(name, "/\\");
  const bool ends_in_separator = last != std::string_view::npos && last + 1 == name.size();
  if (whole_name && !name.empty() && !ends_in_separator) return visit(relative_name);
  return true;
}

}  // namespace

bool MakeFolderLevelsReal(const std::string& root, const char* relative_name) {
  return ForEachFolderLevel(relative_name, false, [&root](const char* level) {
    const std::string path = root + level;
    return !IsReparsePoint(GetFileAttributesA(path.c_str())) || ReplaceFolderLink(path.c_str());
  });
}

int CreateEntryFolders(const char* path, std::vector<std::string>* created,
                       const std::string& root) {
  if (path == nullptr || path[0] == '\0') return 0;
  std::string whole(path);
  if (whole.back() == '/') whole.pop_back();
  // Most entries' folders stand already, or need only their last level.
  if (!whole.empty() && CreateDirectoryA((root + whole).c_str(), nullptr)) {
    if (created != nullptr) created->push_back(root + whole);
    return 1;
  }
  return ForEachFolderLevel(whole.c_str(), true, [created, &root](const char* level) {
           const std::string folder = root + level;
           if (CreateDirectoryA(folder.c_str(), nullptr)) {
             if (created != nullptr) created->push_back(folder);
             return true;
           }
           return GetLastError() != ERROR_PATH_NOT_FOUND;
         })
             ? 1
             : 0;
}

bool HoldRealFolderLevels(const std::string& root, const std::string& relative_folder,
                          std::vector<ScopedHandle>& held) {
  return ForEachFolderLevel(relative_folder.c_str(), false, [&held, &root](const char* level) {
    ScopedHandle handle = HoldRealFolder(root + level);
    if (!handle) return false;
    held.push_back(std::move(handle));
    return true;
  });
}

