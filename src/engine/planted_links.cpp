#include "engine/planted_links.h"

#include <windows.h>

#include <string>
#include <utility>

#include "common/ansi_path.h"
#include "common/install_options.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "engine/checked_files.h"
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

// A name whose nature the setup cannot make out counts as a link; the run
// log says which.
bool CannotTell(const char* file, const std::string& why) {
  TheRunLog().Note(std::string("cannot tell what ") + file + " is: " + why + "; taken for a link");
  return true;
}

}  // namespace

bool IsFileLink(const char* file) {
  ScopedHandle handle(CreateFileA(file, FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle) {
    const DWORD error = GetLastError();
    // Nothing stands at the name: nothing to be led anywhere by.
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    return CannotTell(file, "it cannot be opened (error " + std::to_string(error) + ")");
  }
  std::string full;
  std::string folder_path;
  std::string name;
  if (!FullAnsiPathOf(file, &full) || full.size() >= kPathSize ||
      !SplitFilePath(full, &folder_path, &name)) {
    return CannotTell(file, "its full path has no exact form or does not fit");
  }
  ScopedHandle folder(CreateFileA(folder_path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const std::wstring folder_final = folder ? FinalPathOf(folder.Get()) : std::wstring();
  if (folder_final.empty()) {
    return CannotTell(file, "its folder's final path cannot be had (error " +
                                std::to_string(GetLastError()) + ")");
  }
  std::string what;
  switch (CheckRealFileAt(handle.Get(), folder_final, name, &what)) {
    case FileCheck::kReal: return false;
    case FileCheck::kOther: return true;
    case FileCheck::kUnknown: break;
  }
  return CannotTell(file, what);
}

namespace {

// Calls visit(level) for every folder level of a relative name, outermost
// first: each part that ends before a "/" or "\", and with whole_name the
// name itself too (a trailing "/" or "\" left off). Stops at the first
// visit that returns false; false then, and when the name does not fit a
// path.
template <typename Visit>
bool ForEachFolderLevel(const char* relative_name, bool whole_name, Visit visit) {
  char level[kPathSize];
  if (!CopyBounded(level, sizeof level, relative_name)) return false;
  for (std::size_t i = 1; level[i - 1] != '\0'; ++i) {
    const char c = level[i];
    const bool separator = c == '/' || c == '\\';
    const bool end = c == '\0' && whole_name && level[i - 1] != '/' && level[i - 1] != '\\';
    if (!separator && !end) continue;
    level[i] = '\0';
    const bool go_on = visit(static_cast<const char*>(level));
    level[i] = c;
    if (!go_on) return false;
    if (c == '\0') break;
  }
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

namespace {

// Opens path itself, a link included, for the caller to hold: without
// delete sharing, nobody can rename or delete the name while the handle
// lives. Empty unless path is a real folder (folder true) or file.
ScopedHandle OpenRealName(const std::string& path, DWORD access, DWORD flags, bool folder) {
  ScopedHandle handle(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle) return handle;
  // A real folder or file: the kind asked for, and no reparse point.
  auto is_real = [folder](DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
               (folder ? FILE_ATTRIBUTE_DIRECTORY : 0u);
  };
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle.Get(), &information) ||
      !is_real(information.dwFileAttributes)) {
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return ScopedHandle();
  }
  // Windows opens the link itself and its information says so. Wine 8
  // follows a link despite the flag; the name is held now, so what stands
  // there cannot change any more, and it is asked once more by its name
  // (Wine shows a link to a file as a file: its final path tells).
  if (!is_real(GetFileAttributesA(path.c_str())) || (!folder && IsFileLink(path.c_str()))) {
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return ScopedHandle();
  }
  return handle;
}

}  // namespace

ScopedHandle HoldRealFolder(const std::string& path, DWORD extra_access) {
  return OpenRealName(path, FILE_LIST_DIRECTORY | extra_access, FILE_FLAG_BACKUP_SEMANTICS, true);
}

bool DeleteWhenClosed(const ScopedHandle& handle) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return SetFileInformationByHandle(handle.Get(), FileDispositionInfo, &disposition,
                                    sizeof disposition) != FALSE;
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

namespace {

// Where the levels below the volume's root begin: after "X:\" or after
// "\\server\share\"; 0 for any other path.
std::size_t FirstLevelStart(const std::string& path) {
  if (path.size() > 2 && path[1] == ':' && path[2] == '\\') return 3;
  if (path.rfind("\\\\", 0) != 0) return 0;
  const std::size_t share = path.find('\\', 2);
  if (share == std::string::npos) return 0;
  const std::size_t end = path.find('\\', share + 1);
  return end == std::string::npos ? 0 : end + 1;
}

// Opens a folder level for holding, links followed. Traversal is the least
// access that still counts against the sharing mode: a handle without read,
// write or delete access would not keep anyone from renaming the level.
ScopedHandle HoldLevel(const std::string& level) {
  return ScopedHandle(CreateFileA(level.c_str(), FILE_TRAVERSE | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

}  // namespace

bool HoldFolderPath(const std::string& path, std::vector<ScopedHandle>& held) {
  const std::size_t first = FirstLevelStart(path);
  std::string folder_path = path;
  // A volume's root keeps its backslash: "C:" alone names a directory of
  // the drive's own.
  if (folder_path.size() > first && folder_path.back() == '\\') folder_path.pop_back();
  std::size_t end = folder_path.find('\\', first);
  while (end != std::string::npos) {
    if (ScopedHandle level = HoldLevel(folder_path.substr(0, end))) held.push_back(std::move(level));
    end = folder_path.find('\\', end + 1);
  }
  ScopedHandle folder = HoldLevel(folder_path);
  BY_HANDLE_FILE_INFORMATION information;
  if (!folder || !GetFileInformationByHandle(folder.Get(), &information) ||
      !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return false;
  }
  held.push_back(std::move(folder));
  return true;
}

bool DeleteRealFile(const std::string& path) {
  ScopedHandle file = OpenRealName(path, DELETE, 0, false);
  return file && DeleteWhenClosed(file);
}
