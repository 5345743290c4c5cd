#include "engine/planted_links.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "common/install_options.h"
#include "common/scoped_win.h"
#include "rules/text_rules.h"

namespace {

constexpr char kFreshSuffix[] = ".pmarag-new";

bool IsReparsePoint(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The final path of what path leads to, links followed; false when it
// cannot be opened or the result does not fit.
bool FinalPath(const char* path, DWORD flags, char* final_path) {
  ScopedHandle handle(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, flags, nullptr));
  if (!handle) return false;
  DWORD length =
      GetFinalPathNameByHandleA(handle.Get(), final_path, kPathSize, FILE_NAME_NORMALIZED);
  return length > 0 && length < kPathSize;
}

// True when another name shares file's data: a hard link placed in the
// target would hand whatever is written here to a file elsewhere.
bool HasOtherNames(const char* file) {
  ScopedHandle handle(CreateFileA(file, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
  if (!handle) return false;
  BY_HANDLE_FILE_INFORMATION information;
  return GetFileInformationByHandle(handle.Get(), &information) && information.nNumberOfLinks > 1;
}

// Removes a link at a folder level and creates the real folder. Windows
// removes a directory link or junction itself with RemoveDirectoryA; Wine 8
// follows the link instead and fails while the folder it points to holds
// anything, so the link then stays and the caller stops.
bool ReplaceFolderLink(const char* level) {
  if (!RemoveDirectoryA(level)) return false;
  return CreateDirectoryA(level, nullptr) != 0;
}

}  // namespace

// Wine reports a link to a file as a plain file: its final path then is not
// its own folder's final path followed by its own name.
bool IsFileLink(const char* file) {
  if (IsReparsePoint(GetFileAttributesA(file)) || HasOtherNames(file)) return true;
  char full[kPathSize];
  char* name_part = nullptr;
  DWORD length = GetFullPathNameA(file, sizeof full, full, &name_part);
  if (length == 0 || length >= sizeof full || name_part == nullptr || name_part == full) return false;
  char own[kPathSize];
  char folder[kPathSize];
  char target[kPathSize];
  std::size_t folder_length = static_cast<std::size_t>(name_part - full);
  std::memcpy(folder, full, folder_length);
  folder[folder_length] = '\0';
  if (!FinalPath(folder, FILE_FLAG_BACKUP_SEMANTICS, own) || !FinalPath(file, 0, target)) {
    return false;
  }
  AppendBackslash(own);
  return AppendBounded(own, sizeof own, name_part) && lstrcmpiA(own, target) != 0;
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

bool ReplaceFileLink(const char* file) {
  if (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES || !IsFileLink(file)) return true;
  // A rename replaces the name itself, a link included, on Windows and
  // under Wine; deleting a link to a file deletes what it points to under
  // Wine.
  char fresh[kPathSize];
  if (!CopyBounded(fresh, sizeof fresh, file) || !AppendBounded(fresh, sizeof fresh, kFreshSuffix)) {
    return false;
  }
  if (!ScopedHandle(CreateFileA(fresh, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr))) {
    return false;
  }
  if (MoveFileExA(fresh, file, MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileA(fresh);
  return false;
}
