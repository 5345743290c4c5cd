#include "files/file_identity.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "rules/code_page_characters.h"

namespace {

std::string WithError(const char* text, DWORD error) {
  return std::string(text) + " (error " + std::to_string(error) + ")";
}

}  // namespace

std::wstring FinalPathOf(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  // Asked with too small a buffer, Windows answers the size it needs.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length = GetFinalPathNameByHandleW(handle, path.data(),
                                                   static_cast<DWORD>(path.size()),
                                                   FILE_NAME_NORMALIZED);
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length);
  }
  return {};
}

bool IsNamedIn(const std::wstring& final_path, const std::wstring& folder_final,
               const std::wstring& name) {
  std::wstring expected = folder_final;
  if (!expected.empty() && expected.back() != L'\\') expected += L'\\';
  expected += name;
  return !folder_final.empty() &&
         CompareStringOrdinal(final_path.c_str(), -1, expected.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool FileAttributesOf(HANDLE handle, DWORD* attributes) {
  FILE_BASIC_INFO basic;
  if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) return false;
  *attributes = basic.FileAttributes;
  return true;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

bool SameObject(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION first;
  BY_HANDLE_FILE_INFORMATION second;
  return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
         SameFile(first, second);
}

FileCheck CheckRealFileAt(HANDLE file, const std::wstring& folder_final, const std::string& name,
                          std::string* what) {
  auto answer = [what](FileCheck check, std::string text) {
    *what = std::move(text);
    return check;
  };
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file, &information)) {
    return answer(FileCheck::kUnknown, WithError("its information cannot be had", GetLastError()));
  }
  if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    return answer(FileCheck::kOther, "a link");
  }
  if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    return answer(FileCheck::kOther, "a folder");
  }
  if (information.nNumberOfLinks != 1) {
    return answer(FileCheck::kOther, "a hard link, a file with other names");
  }
  // Windows opens a link at the name itself, and it was refused above. Wine 8
  // follows a link despite FILE_FLAG_OPEN_REPARSE_POINT and shows the file it
  // leads to as a plain file: only its final path tells. The same test finds
  // a file reached through a folder level that became a mount point after
  // the folder was held.
  const std::wstring final_path = FinalPathOf(file);
  if (final_path.empty()) {
    return answer(FileCheck::kUnknown, WithError("its final path cannot be had", GetLastError()));
  }
  if (!IsNamedIn(final_path, folder_final, WideOf(name, CP_ACP))) {
    return answer(FileCheck::kOther, "a link to " + TextOf(final_path, CP_ACP));
  }
  return answer(FileCheck::kReal, {});
}

bool SplitFilePath(const std::string& path, std::string* folder, std::string* name) {
  const std::size_t last = CodePageCharacters::Of(SystemAnsiCodePage()).FindLastOf(path, "\\");
  if (last == std::string::npos || last + 1 == path.size()) return false;
  *folder = path.substr(0, last + 1);
  *name = path.substr(last + 1);
  return true;
}

bool DeleteWhenClosed(const ScopedHandle& handle) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return SetFileInformationByHandle(handle.Get(), FileDispositionInfo, &disposition,
                                    sizeof disposition) != FALSE;
}

namespace {

// Where the levels below the volume's root begin: after "X:\" or after
// "\\server\share\"; 0 for any other path.
std::size_t FirstLevelStart(const std::string& path, const CodePageCharacters& characters) {
  if (path.size() > 2 && path[1] == ':' && path[2] == '\\') return 3;
  if (path.rfind("\\\\", 0) != 0) return 0;
  const std::size_t share = characters.FindFirstOf(path, "\\", 2);
  if (share == std::string::npos) return 0;
  const std::size_t end = characters.FindFirstOf(path, "\\", share + 1);
  return end == std::string::npos ? 0 : end + 1;
}

// Opens a folder level for holding, links followed. Listing (read data)
// counts against the sharing mode on every file system, Wine's included:
// a handle without read, write or delete access would neither keep anyone
// from renaming the level nor fail against one who may.
ScopedHandle HoldLevel(const std::string& level) {
  return ScopedHandle(CreateFileA(level.c_str(),
                                  FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES |
                                      SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

}  // namespace

bool HoldFolderPath(const std::string& path, std::vector<ScopedHandle>& held) {
  // The levels end at the backslashes among the path's characters.
  const CodePageCharacters characters = CodePageCharacters::Of(SystemAnsiCodePage());
  const std::size_t first = FirstLevelStart(path, characters);
  std::string folder_path = path;
  // A volume's root keeps its backslash: "C:" alone names a directory of
  // the drive's own.
  if (folder_path.size() > first && characters.EndsWith(folder_path, '\\')) {
    folder_path.pop_back();
  }
  std::size_t end = characters.FindFirstOf(folder_path, "\\", first);
  while (end != std::string::npos) {
    // A level that cannot be held (another handle may rename it: a sharing
    // violation) could be moved aside under every path formed from it.
    ScopedHandle level = HoldLevel(folder_path.substr(0, end));
    if (!level) return false;
    held.push_back(std::move(level));
    end = characters.FindFirstOf(folder_path, "\\", end + 1);
  }
  ScopedHandle folder = HoldLevel(folder_path);
  DWORD attributes = 0;
  if (!folder || !FileAttributesOf(folder.Get(), &attributes) ||
      !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return false;
  }
  held.push_back(std::move(folder));
  return true;
}
