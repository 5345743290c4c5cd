#include "files/entry_folders.h"

#include <windows.h>

#include <string>
#include <utility>

#include "common/ansi_path.h"
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


HeldEntryFolder* HeldEntryFolders::HoldLevel(HeldEntryFolder& parent, const std::string& level,
                                             std::vector<std::string>* created) {
  auto found = held_.find(level);
  if (found != held_.end()) return &found->second;
  const CodePageCharacters characters = CodePageCharacters::Of(SystemAnsiCodePage());
  const std::size_t last = characters.FindLastOf(level, "/\\");
  const std::wstring name =
      WideOf(last == std::string::npos ? level : level.substr(last + 1), CP_ACP);
  const std::string path = root_ + level;
  HeldEntryFolder folder;
  folder.owned = HoldRealFolderIn(*parent.handle, name, 0);
  if (!folder.owned) {
    folder.owned = CreateFolderIn(*parent.handle, name);
    folder.made = static_cast<bool>(folder.owned);
    if (folder.made) created->push_back(path);
  }
  if (!folder.owned && IsReparsePoint(GetFileAttributesA(path.c_str())) &&
      ReplaceFolderLink(path.c_str())) {
    folder.owned = HoldRealFolderIn(*parent.handle, name, 0);
  }
  if (!folder.owned) return nullptr;
  HeldEntryFolder& held = held_.emplace(level, std::move(folder)).first->second;
  held.handle = &held.owned;
  return &held;
}

HeldEntryFolder* HeldEntryFolders::Hold(const std::string& relative_folder,
                                        std::vector<std::string>* created) {
  HeldEntryFolder* folder = &target_;
  const bool whole = ForEachFolderLevel(relative_folder.c_str(), true, [&](const char* level) {
    folder = HoldLevel(*folder, level, created);
    return folder != nullptr;
  });
  return whole ? folder : nullptr;
}

DWORD HeldEntryFolders::AttributesIn(HeldEntryFolder& folder, const std::string& name) {
  if (!folder.listed && !folder.made) {
    // The target's handle is the caller's: a pattern another listing gave
    // it stays with it, so it is listed through a handle of its own.
    ScopedHandle own;
    if (!folder.owned) own = ReopenHeldFolder(*folder.handle, FILE_LIST_DIRECTORY);
    ListHeldFolder(folder.owned ? folder.owned : own, &folder.items);
  }
  folder.listed = true;
  const std::wstring wide = WideOf(name, CP_ACP);
  auto same = [&wide](const std::wstring& other) {
    return !other.empty() &&
           CompareStringOrdinal(wide.c_str(), static_cast<int>(wide.size()), other.c_str(),
                                static_cast<int>(other.size()), TRUE) == CSTR_EQUAL;
  };
  for (const HeldItem& item : folder.items) {
    if (same(item.name) || same(item.short_name)) return item.attributes;
  }
  return INVALID_FILE_ATTRIBUTES;
}
