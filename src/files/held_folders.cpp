#include "files/held_folders.h"

#include <windows.h>
#include <winternl.h>
#include <aclapi.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/ansi_path.h"
#include "files/checked_files.h"
#include "files/file_identity.h"

namespace {

using NtCreateFileFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                              PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG, ULONG,
                                              ULONG, PVOID, ULONG);
using NtQueryDirectoryFileFunction = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID,
                                                      PIO_STATUS_BLOCK, PVOID, ULONG, ULONG,
                                                      BOOLEAN, PUNICODE_STRING, BOOLEAN);
using NtStatusToErrorFunction = ULONG(NTAPI*)(NTSTATUS);
using NtSetInformationFileFunction = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                                      ULONG);

constexpr ULONG kFileIdBothDirectoryInformation = 37;  // FILE_INFORMATION_CLASS
constexpr ULONG kFileRenameInformation = 10;           // FILE_INFORMATION_CLASS
constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006L);
constexpr NTSTATUS kNoSuchFile = static_cast<NTSTATUS>(0xC000000FL);
constexpr std::size_t kListingBufferBytes = 64 * 1024;

// NtCreateFile is the one call that opens a name relative to a folder's
// handle, NtQueryDirectoryFile lists a folder through its handle with the
// file system's own matching of a pattern; ntdll is part of every process,
// nothing is loaded for them.
template <typename Function>
Function NtEntry(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

void SetErrorOfStatus(NTSTATUS status) {
  static const auto to_error = NtEntry<NtStatusToErrorFunction>("RtlNtStatusToDosError");
  SetLastError(to_error != nullptr ? to_error(status) : ERROR_GEN_FAILURE);
}

UNICODE_STRING CountedString(const std::wstring& text) {
  UNICODE_STRING counted;
  counted.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
  counted.MaximumLength = static_cast<USHORT>(counted.Length + sizeof(wchar_t));
  counted.Buffer = const_cast<wchar_t*>(text.c_str());
  return counted;
}

// Adds the entries of one answer of the listing.
void TakeEntries(const unsigned char* buffer, std::vector<HeldItem>* items) {
  for (std::size_t offset = 0;;) {
    const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + offset);
    std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
    if (name != L"." && name != L"..") {
      items->push_back({std::move(name), entry->FileAttributes,
                        std::wstring(entry->ShortName, entry->ShortNameLength / sizeof(wchar_t))});
    }
    if (entry->NextEntryOffset == 0) return;
    offset += entry->NextEntryOffset;
  }
}

// Opens name relative to folder, a link at it opened as itself; with
// FILE_CREATE as disposition, makes a new file there instead, which
// whatever stands at the name fails.
ScopedHandle OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access,
                          ULONG options, ULONG disposition = FILE_OPEN,
                          ULONG share = FILE_SHARE_READ | FILE_SHARE_WRITE,
                          ULONG file_attributes = 0) {
  static const auto nt_create_file = NtEntry<NtCreateFileFunction>("NtCreateFile");
  if (nt_create_file == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return ScopedHandle();
  }
  UNICODE_STRING unicode_name = CountedString(name);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &unicode_name, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK status_block = {};
  HANDLE opened = nullptr;
  const NTSTATUS status = nt_create_file(
      &opened, access | SYNCHRONIZE, &attributes, &status_block, nullptr, file_attributes, share,
      disposition, options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (status < 0) {
    SetErrorOfStatus(status);
    return ScopedHandle();
  }
  return ScopedHandle(opened);
}

// One name of the folder, never a path below it nor a stream of a file in
// it (':'), nor a name a NUL cuts short; false, with the error, for
// anything else.
bool IsOneName(const std::wstring& name) {
  if (name.empty() || name.size() > 255 ||
      name.find_first_of(std::wstring(L"\\/:\0", 4)) != std::wstring::npos ||
      name == L"." || name == L"..") {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  return true;
}

// The SIDs this account owns what it creates with.
bool IsThisAccount(PSID sid) {
  ScopedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out())) return false;
  alignas(TOKEN_USER) char user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  alignas(TOKEN_OWNER) char owner[sizeof(TOKEN_OWNER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  return (GetTokenInformation(token.Get(), TokenUser, user, sizeof user, &size) &&
          EqualSid(sid, reinterpret_cast<TOKEN_USER*>(user)->User.Sid)) ||
         (GetTokenInformation(token.Get(), TokenOwner, owner, sizeof owner, &size) &&
          EqualSid(sid, reinterpret_cast<TOKEN_OWNER*>(owner)->Owner));
}

}  // namespace

bool ListHeldFolder(const ScopedHandle& folder, std::vector<HeldItem>* items,
                    const char* pattern) {
  static const auto query = NtEntry<NtQueryDirectoryFileFunction>("NtQueryDirectoryFile");
  if (query == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  const std::wstring wide_pattern = pattern != nullptr ? WideOf(pattern, CP_ACP) : std::wstring();
  UNICODE_STRING mask = CountedString(wide_pattern);
  // Aligned for the entries' 64-bit fields.
  std::vector<LONGLONG> buffer(kListingBufferBytes / sizeof(LONGLONG));
  for (bool first = true;; first = false) {
    IO_STATUS_BLOCK status_block = {};
    // The pattern counts on the first call of a handle only; the handle is
    // synchronous, so the answer is there when the call returns.
    const NTSTATUS status =
        query(folder.Get(), nullptr, nullptr, nullptr, &status_block, buffer.data(),
              static_cast<ULONG>(kListingBufferBytes), kFileIdBothDirectoryInformation, FALSE,
              first && pattern != nullptr ? &mask : nullptr, first ? TRUE : FALSE);
    if (status == kNoMoreFiles || (first && status == kNoSuchFile)) return true;
    if (status < 0) {
      SetErrorOfStatus(status);
      return false;
    }
    if (status_block.Information == 0) return true;
    TakeEntries(reinterpret_cast<const unsigned char*>(buffer.data()), items);
  }
}

ScopedHandle OpenInFolder(const ScopedHandle& folder, const std::wstring& name, ACCESS_MASK access,
                          ULONG options) {
  if (!IsOneName(name)) return ScopedHandle();
  return OpenRelative(folder.Get(), name, access, options);
}

ScopedHandle CreateInFolder(const ScopedHandle& folder, const std::wstring& name,
                            ACCESS_MASK access, ULONG share, ULONG file_attributes) {
  if (!IsOneName(name)) return ScopedHandle();
  return OpenRelative(folder.Get(), name, access, FILE_NON_DIRECTORY_FILE, FILE_CREATE, share,
                      file_attributes);
}

ScopedHandle CreateFolderIn(const ScopedHandle& folder, const std::wstring& name) {
  if (!IsOneName(name)) return ScopedHandle();
  return OpenRelative(folder.Get(), name, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                      FILE_DIRECTORY_FILE, FILE_CREATE);
}

bool RenameInto(const ScopedHandle& file, const ScopedHandle& folder, const std::wstring& name) {
  static const auto set_information = NtEntry<NtSetInformationFileFunction>("NtSetInformationFile");
  if (set_information == nullptr || !IsOneName(name)) {
    if (set_information == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  // The name follows the fixed part; the system reads FileNameLength bytes.
  const std::size_t bytes = name.size() * sizeof(wchar_t);
  std::vector<LONGLONG> buffer((offsetof(FILE_RENAME_INFO, FileName) + bytes + sizeof(wchar_t) +
                                sizeof(LONGLONG) - 1) / sizeof(LONGLONG));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = folder.Get();
  rename->FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(rename->FileName, name.c_str(), bytes);
  IO_STATUS_BLOCK status_block = {};
  const NTSTATUS status = set_information(file.Get(), &status_block, rename,
                                          static_cast<ULONG>(buffer.size() * sizeof(LONGLONG)),
                                          kFileRenameInformation);
  if (status < 0) {
    SetErrorOfStatus(status);
    return false;
  }
  return true;
}

ScopedHandle ReopenHeldFolder(const ScopedHandle& folder, ACCESS_MASK access) {
  // No name relative to a handle opens what the handle stands for.
  return OpenRelative(folder.Get(), std::wstring(), access,
                      FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT);
}

ScopedHandle HoldRealFolderIn(const ScopedHandle& folder, const std::wstring& name,
                              DWORD extra_access) {
  std::string ansi_name;
  ScopedHandle held = ExactAnsiOf(name, &ansi_name)
                          ? OpenInFolder(folder, name,
                                         FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | extra_access,
                                         FILE_DIRECTORY_FILE)
                          : ScopedHandle();
  DWORD attributes = 0;
  if (!held || !FileAttributesOf(held.Get(), &attributes) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return ScopedHandle();
  }
  // Windows opens a link at the name itself, and the check above refuses
  // it. Wine 8 follows a link despite FILE_OPEN_REPARSE_POINT: what it
  // opened then lies elsewhere than in the held folder, which the final
  // paths of the two handles tell; a path that cannot be had refuses.
  if (!IsNamedIn(FinalPathOf(held.Get()), FinalPathOf(folder.Get()), name)) {
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return ScopedHandle();
  }
  return held;
}

bool DeleteRealFileIn(const ScopedHandle& folder, const char* name) {
  ScopedHandle file = OpenInFolder(folder, WideOf(name, CP_ACP), DELETE | FILE_READ_ATTRIBUTES,
                                   FILE_NON_DIRECTORY_FILE);
  if (!file) return false;
  // Windows opens a link itself here, and the check refuses it. Wine 8
  // follows a link despite FILE_OPEN_REPARSE_POINT: what it opened then lies
  // elsewhere than in the held folder, which the two handles' final paths
  // tell without asking any name again; a path that cannot be had refuses.
  std::string what;
  if (CheckRealFileAt(file.Get(), FinalPathOf(folder.Get()), name, &what) != FileCheck::kReal) {
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return false;
  }
  return DeleteWhenClosed(file);
}

bool OwnedByThisAccount(const ScopedHandle& item) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(item.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                      nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  ScopedLocalMemory owned(descriptor);
  return owner != nullptr && IsThisAccount(owner);
}

ScopedHandle HoldRealFolder(const std::string& path, DWORD extra_access) {
  return OpenRealName(path, FILE_LIST_DIRECTORY | extra_access, FILE_FLAG_BACKUP_SEMANTICS, true);
}
