#include "files/checked_files.h"

#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "common/fresh_names.h"
#include "common/install_options.h"
#include "common/run_log.h"
#include "files/file_identity.h"
#include "rules/code_page_characters.h"
#include "rules/upgrade_rules.h"

namespace {

constexpr ULONG kFileRenameInformation = 10;  // FILE_INFORMATION_CLASS

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

bool RenameIntoFolder(const ScopedHandle& item, const ScopedHandle& folder,
                      const std::wstring& name, DWORD* error) {
  const NTSTATUS status = RenameRelative(item.Get(), folder.Get(), name, false);
  if (status >= 0) return true;
  *error = ErrorOfStatus(status);
  return false;
}

bool CheckedFolder::Hold(const std::string& folder, DWORD* error) {
  held_.clear();
  path_ = folder;
  if (!path_.empty() && !CodePageCharacters::Of(SystemAnsiCodePage()).EndsWith(path_, '\\')) {
    path_ += '\\';
  }
  if (!HoldFolderPath(path_, held_)) {
    *error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_DIRECTORY;
    return false;
  }
  final_path_ = FinalPathOf(held_.back().Get());
  if (final_path_.empty()) {
    *error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_CANT_ACCESS_FILE;
    held_.clear();
    return false;
  }
  return true;
}

ScopedHandle CheckedFolder::OpenExisting(const std::string& name, DWORD access, DWORD share,
                                         std::string* why, DWORD* error) {
  ScopedHandle file(CreateFileA((path_ + name).c_str(), access | FILE_READ_ATTRIBUTES, share,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) {
    *error = GetLastError();
    return file;
  }
  std::string what;
  if (CheckRealFileAt(file.Get(), final_path_, name, &what) == FileCheck::kReal) return file;
  if (why != nullptr) *why = std::move(what);
  *error = ERROR_CANT_ACCESS_FILE;
  return ScopedHandle();
}

ScopedHandle CheckedFolder::CreateFresh(DWORD access, DWORD share, DWORD* error) {
  ScopedHandle made;
  *error = ERROR_CANT_ACCESS_FILE;
  TryFreshNames([&](unsigned number) {
    const std::string name = FreshFileName(number);
    // CREATE_NEW never opens what stands at a name, a link included.
    ScopedHandle file(CreateFileA((path_ + name).c_str(), access | DELETE | FILE_READ_ATTRIBUTES,
                                  share, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
      *error = GetLastError();
      return IsNameTaken(*error) ? FreshTry::kAgain : FreshTry::kFailed;
    }
    std::string what;
    if (CheckRealFileAt(file.Get(), final_path_, name, &what) == FileCheck::kReal) {
      made = std::move(file);
      *error = ERROR_SUCCESS;
      return FreshTry::kMade;
    }
    // Made somewhere else than in the held folder: it goes again at once.
    DeleteWhenClosed(file);
    *error = ERROR_CANT_ACCESS_FILE;
    return FreshTry::kFailed;
  });
  return made;
}

bool CheckedFolder::MoveIntoPlace(const ScopedHandle& fresh, const std::string& name,
                                  bool replace, DWORD* error) {
  const NTSTATUS status =
      RenameRelative(fresh.Get(), held_.back().Get(), WideOf(name, CP_ACP), replace);
  if (status >= 0) return true;
  *error = ErrorOfStatus(status);
  return false;
}

ScopedHandle CheckedFolder::PlaceFresh(ScopedHandle fresh, const std::string& name, bool replace,
                                      DWORD access, DWORD share, DWORD* error) {
  BY_HANDLE_FILE_INFORMATION made;
  const bool known = GetFileInformationByHandle(fresh.Get(), &made) != FALSE;
  if (!known) *error = GetLastError();
  if (!known || !MoveIntoPlace(fresh, name, replace, error)) {
    DeleteWhenClosed(fresh);
    return ScopedHandle();
  }
  fresh.Close();
  ScopedHandle file = OpenExisting(name, access, share, nullptr, error);
  if (!file) return file;
  BY_HANDLE_FILE_INFORMATION placed;
  if (!GetFileInformationByHandle(file.Get(), &placed)) {
    *error = GetLastError();
    return ScopedHandle();
  }
  if (!SameFile(placed, made)) {
    *error = ERROR_CANT_ACCESS_FILE;
    return ScopedHandle();
  }
  return file;
}

ScopedHandle CreateFileInPlace(const std::string& path, DWORD* error) {
  std::string folder_path;
  std::string name;
  CheckedFolder folder;
  if (!SplitFilePath(path, &folder_path, &name)) {
    *error = ERROR_INVALID_NAME;
    return ScopedHandle();
  }
  *error = ERROR_SUCCESS;
  if (!folder.Hold(folder_path, error)) return ScopedHandle();
  ScopedHandle fresh = folder.CreateFresh(GENERIC_WRITE, FILE_SHARE_READ, error);
  if (!fresh) return fresh;
  ScopedHandle file =
      folder.PlaceFresh(std::move(fresh), name, true, GENERIC_WRITE, FILE_SHARE_READ, error);
  if (file) *error = ERROR_SUCCESS;
  return file;
}

bool ReplaceFileWith(CheckedFolder& folder, const std::string& name, const std::string& bytes,
                     DWORD* error) {
  ScopedHandle file = folder.CreateFresh(GENERIC_WRITE, 0, error);
  if (!file) return false;
  DWORD written = 0;
  if (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size()) {
    if (folder.MoveIntoPlace(file, name, true, error)) return true;
  } else {
    *error = GetLastError();
  }
  DeleteWhenClosed(file);
  return false;
}

namespace {

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

ScopedHandle OpenRealName(const std::string& path, DWORD access, DWORD flags, bool folder) {
  // Reading the attributes below needs its own right; it takes no part in
  // sharing.
  ScopedHandle handle(CreateFileA(path.c_str(), access | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle) return handle;
  // A real folder or file: the kind asked for, and no reparse point.
  auto is_real = [folder](DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
               (folder ? FILE_ATTRIBUTE_DIRECTORY : 0u);
  };
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  if (!FileAttributesOf(handle.Get(), &attributes) || !is_real(attributes)) {
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

bool DeleteRealFile(const std::string& path) {
  ScopedHandle file = OpenRealName(path, DELETE, 0, false);
  return file && DeleteWhenClosed(file);
}
