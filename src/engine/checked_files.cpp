#include "engine/checked_files.h"

#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "common/ansi_path.h"
#include "engine/planted_links.h"
#include "engine/random_number.h"
#include "rules/upgrade_rules.h"

namespace {

constexpr int kFreshNameAttempts = 16;
constexpr ULONG kFileRenameInformation = 10;  // FILE_INFORMATION_CLASS

std::string WithError(const char* text, DWORD error) {
  return std::string(text) + " (error " + std::to_string(error) + ")";
}

// NtSetInformationFile renames a file relative to a folder handle
// (FILE_RENAME_INFORMATION's RootDirectory), so that the folder's name is
// never resolved again. SetFileInformationByHandle takes the same record,
// but Wine 8 turns its name into a path from the current directory first.
// ntdll is in every process: looking it up loads nothing.
NTSTATUS RenameRelative(HANDLE file, HANDLE folder, const std::wstring& name, bool replace) {
  using SetInformation = NTSTATUS(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, ULONG);
  static const auto set_information = reinterpret_cast<SetInformation>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtSetInformationFile")));
  if (set_information == nullptr) return static_cast<NTSTATUS>(0xC0000002L);  // not implemented
  const std::size_t name_bytes = name.size() * sizeof(wchar_t);
  std::vector<unsigned char> record(offsetof(FILE_RENAME_INFO, FileName) + name_bytes +
                                    sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(record.data());
  rename->ReplaceIfExists = replace ? TRUE : FALSE;
  rename->RootDirectory = folder;
  rename->FileNameLength = static_cast<DWORD>(name_bytes);
  std::memcpy(rename->FileName, name.data(), name_bytes);
  IO_STATUS_BLOCK status_block = {};
  return set_information(file, &status_block, record.data(), static_cast<ULONG>(record.size()),
                         kFileRenameInformation);
}

DWORD ErrorOfStatus(NTSTATUS status) {
  using ToError = ULONG(NTAPI*)(NTSTATUS);
  static const auto to_error = reinterpret_cast<ToError>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlNtStatusToDosError")));
  return to_error != nullptr ? to_error(status) : ERROR_GEN_FAILURE;
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
  // Compared in UTF-16, as the file system compares names: in the code
  // page a look-alike could pass for the folder's own name.
  std::wstring expected = folder_final;
  if (!expected.empty() && expected.back() != L'\\') expected += L'\\';
  expected += WideOf(name, CP_ACP);
  if (CompareStringOrdinal(final_path.c_str(), -1, expected.c_str(), -1, TRUE) != CSTR_EQUAL) {
    return answer(FileCheck::kOther, "a link to " + TextOf(final_path, CP_ACP));
  }
  return answer(FileCheck::kReal, {});
}

bool CheckedFolder::Hold(const std::string& folder) {
  held_.clear();
  path_ = folder;
  if (!path_.empty() && path_.back() != '\\') path_ += '\\';
  if (!HoldFolderPath(path_, held_)) {
    if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_DIRECTORY);
    return false;
  }
  final_path_ = FinalPathOf(held_.back().Get());
  if (final_path_.empty()) {
    if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_CANT_ACCESS_FILE);
    held_.clear();
    return false;
  }
  return true;
}

ScopedHandle CheckedFolder::OpenExisting(const std::string& name, DWORD access, DWORD share,
                                         std::string* why) {
  ScopedHandle file(CreateFileA((path_ + name).c_str(), access | FILE_READ_ATTRIBUTES, share,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return file;
  std::string what;
  if (CheckRealFileAt(file.Get(), final_path_, name, &what) == FileCheck::kReal) return file;
  if (why != nullptr) *why = std::move(what);
  SetLastError(ERROR_CANT_ACCESS_FILE);
  return ScopedHandle();
}

ScopedHandle CheckedFolder::CreateFresh(DWORD access, DWORD share) {
  for (int attempt = 0; attempt < kFreshNameAttempts; ++attempt) {
    const std::string name = FreshFileName(RandomNumber());
    // CREATE_NEW never opens what stands at a name, a link included.
    ScopedHandle file(CreateFileA((path_ + name).c_str(), access | DELETE | FILE_READ_ATTRIBUTES,
                                  share, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return file;
    }
    std::string what;
    if (CheckRealFileAt(file.Get(), final_path_, name, &what) == FileCheck::kReal) return file;
    // Made somewhere else than in the held folder: it goes again at once.
    DeleteWhenClosed(file);
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return ScopedHandle();
  }
  return ScopedHandle();
}

bool CheckedFolder::MoveIntoPlace(const ScopedHandle& fresh, const std::string& name, bool replace) {
  const NTSTATUS status = RenameRelative(fresh.Get(), held_.back().Get(), WideOf(name, CP_ACP), replace);
  if (status >= 0) return true;
  SetLastError(ErrorOfStatus(status));
  return false;
}

ScopedHandle CheckedFolder::PlaceFresh(ScopedHandle fresh, const std::string& name, bool replace,
                                      DWORD access, DWORD share) {
  BY_HANDLE_FILE_INFORMATION made;
  if (!GetFileInformationByHandle(fresh.Get(), &made) || !MoveIntoPlace(fresh, name, replace)) {
    const DWORD error = GetLastError();
    DeleteWhenClosed(fresh);
    SetLastError(error);
    return ScopedHandle();
  }
  fresh.Close();
  ScopedHandle file = OpenExisting(name, access, share, nullptr);
  BY_HANDLE_FILE_INFORMATION placed;
  if (!file || !GetFileInformationByHandle(file.Get(), &placed)) return ScopedHandle();
  if (placed.dwVolumeSerialNumber != made.dwVolumeSerialNumber ||
      placed.nFileIndexHigh != made.nFileIndexHigh || placed.nFileIndexLow != made.nFileIndexLow) {
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return ScopedHandle();
  }
  return file;
}

bool SplitFilePath(const std::string& path, std::string* folder, std::string* name) {
  const std::size_t last = path.find_last_of('\\');
  if (last == std::string::npos || last + 1 == path.size()) return false;
  *folder = path.substr(0, last + 1);
  *name = path.substr(last + 1);
  return true;
}

ScopedHandle CreateFileInPlace(const std::string& path, DWORD* error) {
  std::string folder_path;
  std::string name;
  CheckedFolder folder;
  if (!SplitFilePath(path, &folder_path, &name)) {
    *error = ERROR_INVALID_NAME;
    return ScopedHandle();
  }
  ScopedHandle file;
  if (folder.Hold(folder_path)) {
    ScopedHandle fresh = folder.CreateFresh(GENERIC_WRITE, FILE_SHARE_READ);
    if (fresh) {
      file = folder.PlaceFresh(std::move(fresh), name, true, GENERIC_WRITE, FILE_SHARE_READ);
    }
  }
  *error = file ? ERROR_SUCCESS : GetLastError();
  return file;
}

bool ReplaceFileWith(CheckedFolder& folder, const std::string& name, const std::string& bytes) {
  ScopedHandle file = folder.CreateFresh(GENERIC_WRITE, 0);
  if (!file) return false;
  DWORD written = 0;
  if (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size() && folder.MoveIntoPlace(file, name, true)) {
    return true;
  }
  const DWORD error = GetLastError();
  DeleteWhenClosed(file);
  SetLastError(error);
  return false;
}
