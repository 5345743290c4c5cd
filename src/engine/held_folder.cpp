#include "engine/held_folder.h"

#include <windows.h>
#include <winternl.h>
#include <aclapi.h>

#include <cwchar>
#include <string>

#include "common/ansi_path.h"
#include "engine/checked_files.h"
#include "engine/planted_links.h"

namespace {

using NtCreateFileFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                              PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG, ULONG,
                                              ULONG, PVOID, ULONG);

// NtCreateFile is the one call that opens a name relative to a folder's
// handle; ntdll is part of every process, nothing is loaded for it.
NtCreateFileFunction NtCreateFileEntry() {
  return reinterpret_cast<NtCreateFileFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtCreateFile")));
}

ScopedHandle OpenInFolder(HANDLE folder, const wchar_t* name, ACCESS_MASK access) {
  const NtCreateFileFunction nt_create_file = NtCreateFileEntry();
  const std::size_t length = std::wcslen(name);
  if (nt_create_file == nullptr || length == 0 || length > 255) return ScopedHandle();
  UNICODE_STRING unicode_name;
  unicode_name.Length = static_cast<USHORT>(length * sizeof(wchar_t));
  unicode_name.MaximumLength = static_cast<USHORT>(unicode_name.Length + sizeof(wchar_t));
  unicode_name.Buffer = const_cast<wchar_t*>(name);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &unicode_name, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK status_block = {};
  HANDLE opened = nullptr;
  const NTSTATUS status = nt_create_file(
      &opened, access | SYNCHRONIZE, &attributes, &status_block, nullptr, 0,
      FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN,
      FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (status < 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return ScopedHandle();
  }
  return ScopedHandle(opened);
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

bool DeleteRealFileIn(const ScopedHandle& folder, const char* name) {
  ScopedHandle file = OpenInFolder(folder.Get(), WideOf(name, CP_ACP).c_str(),
                                   DELETE | FILE_READ_ATTRIBUTES);
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
