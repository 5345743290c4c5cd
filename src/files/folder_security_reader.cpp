// Reading who controls a folder or an item: the descriptor read through a
// handle to the thing itself, its owner and access list as text.
#include "files/folder_security_reader.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <utility>
#include <vector>

#include "common/ansi_path.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "files/file_identity.h"

namespace {

std::string SidText(PSID sid) {
  char* text = nullptr;
  if (sid == nullptr || !ConvertSidToStringSidA(sid, &text)) return {};
  ScopedLocalMemory owned(text);
  return text;
}

// The entries of an access list; false for an entry whose kind the setup
// does not know, which then tells nothing.
bool ReadEntries(PACL list, std::vector<FolderAccessEntry>* entries) {
  for (DWORD i = 0; i < list->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(list, i, &ace)) return false;
    const ACE_HEADER* header = static_cast<const ACE_HEADER*>(ace);
    FolderAccessEntry entry;
    switch (header->AceType) {
      case ACCESS_ALLOWED_ACE_TYPE:
      case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
        entry.allows = true;
        break;
      case ACCESS_DENIED_ACE_TYPE:
      case ACCESS_DENIED_CALLBACK_ACE_TYPE:
        entry.allows = false;
        break;
      default:
        return false;
    }
    // The allowed and denied kinds share one layout.
    const ACCESS_ALLOWED_ACE* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    entry.mask = allowed->Mask;
    entry.inherit_only = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
    entry.inheritance = header->AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE |
                                            NO_PROPAGATE_INHERIT_ACE);
    entry.sid = SidText(const_cast<DWORD*>(&allowed->SidStart));
    if (entry.sid.empty()) return false;
    entries->push_back(entry);
  }
  return true;
}

// Whether handle is the level at path itself rather than what a link on
// the way leads to. Windows opens a link at the level itself, and its
// attributes say so; Wine follows it, which only the handle's final path
// shows against the level's own long path. A path that cannot be had
// counts as a link.
bool IsLevelItself(HANDLE handle, const std::string& level) {
  std::wstring final_path = FinalPathOf(handle);
  if (final_path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    final_path = L"\\\\" + final_path.substr(8);
  } else if (final_path.rfind(L"\\\\?\\", 0) == 0) {
    final_path.erase(0, 4);
  }
  const std::wstring wide = WideOf(level, CP_ACP);
  std::wstring long_path(MAX_PATH, L'\0');
  DWORD length = GetLongPathNameW(wide.c_str(), &long_path[0], MAX_PATH);
  if (length >= MAX_PATH) {
    long_path.resize(length);
    length = GetLongPathNameW(wide.c_str(), &long_path[0], length);
  }
  if (final_path.empty() || length == 0 || length >= long_path.size()) return false;
  long_path.resize(length);
  return CompareStringOrdinal(final_path.c_str(), -1, long_path.c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

std::string Win32FolderSecurityReader::RunningUser() {
  ScopedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out())) return {};
  alignas(TOKEN_USER) char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!GetTokenInformation(token.Get(), TokenUser, buffer, sizeof buffer, &size)) return {};
  return SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

bool Win32FolderSecurityReader::Read(const std::string& level, FolderSecurity* security,
                                     ScopedHandle* held) {
  security->path = level;
  // The level itself, a link included, held without delete sharing from
  // this first look on. Listing (read data) takes part in sharing, as
  // reading attributes or the descriptor does not: the open fails while
  // another handle that may rename or delete the level is open, and while
  // it lives no such handle can be opened, whatever rights others get.
  ScopedHandle handle(CreateFileA(level.c_str(),
                                  FILE_LIST_DIRECTORY | FILE_TRAVERSE | READ_CONTROL |
                                      FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
  if (!handle) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    if (error == ERROR_SHARING_VIOLATION) {
      TheRunLog().Note("cannot hold " + level +
                       ": another program has it open with the right to rename or delete it");
      security->held_by_other = true;
    } else {
      TheRunLog().NoteFailure("cannot read who controls " + level, error);
    }
    security->read = false;
    return true;
  }
  DWORD attributes = 0;
  if (!FileAttributesOf(handle.Get(), &attributes)) {
    TheRunLog().NoteFailure("cannot read what " + level + " is", GetLastError());
    security->read = false;
    return true;
  }
  security->reparse_point = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
                            !IsLevelItself(handle.Get(), level);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetSecurityInfo(handle.Get(), SE_FILE_OBJECT,
                                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, nullptr, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    TheRunLog().NoteFailure("cannot read who controls " + level, error);
    security->read = false;
    return true;
  }
  ScopedLocalMemory owned(descriptor);
  ReadDescriptor(descriptor, security);
  *held = std::move(handle);
  return true;
}

void Win32FolderSecurityReader::ReadItem(HANDLE item, const std::string& shown,
                                         FolderSecurity* security) {
  security->path = shown;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetSecurityInfo(item, SE_FILE_OBJECT,
                                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, nullptr, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    TheRunLog().NoteFailure("cannot read who controls " + shown, error);
    security->read = false;
    return;
  }
  ScopedLocalMemory owned(descriptor);
  ReadDescriptor(descriptor, security);
}

void ReadDescriptor(PSECURITY_DESCRIPTOR descriptor, FolderSecurity* security) {
  PSID owner = nullptr;
  PACL list = nullptr;
  BOOL defaulted = FALSE;
  BOOL present = FALSE;
  security->entries.clear();
  if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
      !GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted)) {
    security->read = false;
    return;
  }
  if (!present) list = nullptr;
  security->owner_sid = SidText(owner);
  security->has_access_list = list != nullptr;
  security->read = !security->owner_sid.empty() &&
                   (list == nullptr || ReadEntries(list, &security->entries));
}

std::string AccountName(const std::string& sid_text) {
  PSID sid = nullptr;
  if (!ConvertStringSidToSidA(sid_text.c_str(), &sid)) return sid_text;
  ScopedLocalMemory owned(sid);
  // In UTF-16: "Şahin" shown as "Sahin" would name another user.
  wchar_t name[256] = L"";
  wchar_t domain[256] = L"";
  DWORD name_size = 256;
  DWORD domain_size = 256;
  SID_NAME_USE use;
  if (!LookupAccountSidW(nullptr, sid, name, &name_size, domain, &domain_size, &use)) {
    return sid_text;
  }
  const std::string account = TextOf(name, CP_ACP);
  return domain[0] != L'\0' ? TextOf(domain, CP_ACP) + "\\" + account : account;
}
