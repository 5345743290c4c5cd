#include "engine/existing_folder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <utility>
#include <vector>

#include "common/ansi_path.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "engine/checked_files.h"
#include "engine/folder_protection.h"
#include "engine/held_folder.h"
#include "engine/planted_links.h"

namespace {

std::string SidText(PSID sid) {
  char* text = nullptr;
  if (sid == nullptr || !ConvertSidToStringSidA(sid, &text)) return {};
  ScopedLocalMemory owned(text);
  return text;
}

// The account behind a SID as "DOMAIN\name", else the SID itself.
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

void NoteVerdict(const ExistingFolderCheck& check) {
  RunLog& log = TheRunLog();
  for (std::size_t index : check.verdict.movable_levels) {
    log.Note("any user may move " + check.levels[index].path +
             " aside and put another folder in its place");
  }
  switch (check.verdict.action) {
    case ExistingFolderAction::kRefuse:
      log.Note("refused: " + check.refused_path +
               (check.levels[check.verdict.refused_level].reparse_point
                    ? " is a link or junction"
                    : check.refused_owner.empty() ? ": who controls it cannot be read"
                                                  : " belongs to " + check.refused_owner));
      break;
    case ExistingFolderAction::kProtect:
      log.Note("the existing target folder may be changed by other users: it gets the "
               "permissions of Program Files");
      break;
    case ExistingFolderAction::kLeave:
      break;
  }
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
  // The level itself, a link included, held without delete sharing: while
  // the handle lives nobody can rename or delete it and put another in its
  // place.
  ScopedHandle handle(CreateFileA(level.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
  if (!handle) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    TheRunLog().NoteFailure("cannot read who controls " + level, error);
    security->read = false;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle.Get(), &information)) {
    TheRunLog().NoteFailure("cannot read what " + level + " is", GetLastError());
    security->read = false;
    return true;
  }
  security->reparse_point = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
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

ExistingFolderCheck CheckExistingFolder(const std::string& folder, FolderSecurityReader& reader) {
  ExistingFolderCheck check;
  const std::string user = reader.RunningUser();
  const std::vector<std::string> levels = FolderLevelsBelowRoot(folder);
  for (const std::string& level : levels) {
    FolderSecurity security;
    ScopedHandle held;
    // Nothing below a missing level can stand: the chain creates the rest.
    if (!reader.Read(level, &security, &held)) break;
    check.levels.push_back(security);
    check.held.push_back(std::move(held));
  }
  check.target_exists = !levels.empty() && check.levels.size() == levels.size();
  check.verdict = JudgeExistingFolder(check.levels, check.target_exists, user);
  if (check.verdict.action == ExistingFolderAction::kRefuse) {
    const FolderSecurity& refused = check.levels[check.verdict.refused_level];
    check.refused_path = refused.path;
    if (refused.read) check.refused_owner = AccountName(refused.owner_sid);
  }
  NoteVerdict(check);
  return check;
}

namespace {

// The access list of entries, as a descriptor whose list is protected from
// the parent's, into sd (its list in acl); false when it cannot be built.
bool BuildProtectedList(const std::vector<FolderAccessEntry>& entries,
                        std::vector<unsigned char>* acl, SECURITY_DESCRIPTOR* sd) {
  std::vector<ScopedLocalMemory> sids;
  DWORD size = sizeof(ACL);
  for (const FolderAccessEntry& entry : entries) {
    PSID sid = nullptr;
    if (!ConvertStringSidToSidA(entry.sid.c_str(), &sid)) return false;
    sids.emplace_back(sid);
    size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid);
  }
  acl->assign(size, 0);
  PACL list = reinterpret_cast<PACL>(acl->data());
  if (!InitializeAcl(list, size, ACL_REVISION)) return false;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const FolderAccessEntry& entry = entries[i];
    const DWORD flags = entry.inheritance | (entry.inherit_only ? INHERIT_ONLY_ACE : 0);
    const BOOL added =
        entry.allows ? AddAccessAllowedAceEx(list, ACL_REVISION, flags, entry.mask, sids[i].Get())
                     : AddAccessDeniedAceEx(list, ACL_REVISION, flags, entry.mask, sids[i].Get());
    if (!added) return false;
  }
  return InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) &&
         SetSecurityDescriptorDacl(sd, TRUE, list, FALSE) &&
         SetSecurityDescriptorControl(sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

// Gives the held level its secured list, through a handle opened from the
// held one: no name is resolved again. Only this level's own list changes;
// what its contents inherit stays as it is, so nothing below is rewritten.
bool SecureLevel(const FolderSecurity& level, const ScopedHandle& held, const std::string& user) {
  std::vector<unsigned char> acl;
  SECURITY_DESCRIPTOR sd;
  if (!held || !BuildProtectedList(SecuredLevelEntries(level, user), &acl, &sd)) return false;
  ScopedHandle writable = ReopenHeldFolder(held, READ_CONTROL | WRITE_DAC);
  if (!writable || !SetKernelObjectSecurity(writable.Get(), DACL_SECURITY_INFORMATION, &sd)) {
    return false;
  }
  char* text = nullptr;
  std::string sddl;
  if (ConvertSecurityDescriptorToStringSecurityDescriptorA(&sd, SDDL_REVISION_1,
                                                           DACL_SECURITY_INFORMATION, &text,
                                                           nullptr)) {
    ScopedLocalMemory owned(text);
    sddl = text;
  }
  TheRunLog().Note("secured " + level.path +
                   ": others may no longer rename, delete or re-permission it or move a folder "
                   "in it; what its contents inherit is unchanged: " +
                   sddl);
  return true;
}

}  // namespace

bool SecureMovableLevels(ExistingFolderCheck& check, FolderSecurityReader& reader) {
  const std::string user = reader.RunningUser();
  for (std::size_t index : check.verdict.levels_to_secure) {
    if (index >= check.held.size() ||
        !SecureLevel(check.levels[index], check.held[index], user)) {
      TheRunLog().NoteFailure("cannot secure " + check.levels[index].path, GetLastError());
      check.refused_path = check.levels[index].path;
      return false;
    }
  }
  return true;
}

namespace {

// What the protected folder's contents get: owned by Administrators, and
// what the folder hands down, as Windows' own inheritance would write it.
constexpr char kInheritedFolderSddl[] =
    "O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)(A;OICIIOID;GA;;;CO)"
    "(A;OICIID;0x1200a9;;;S-1-15-2-1)(A;OICIID;0x1200a9;;;S-1-15-2-2)";
constexpr char kInheritedFileSddl[] =
    "O:BAD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)"
    "(A;ID;0x1200a9;;;S-1-15-2-1)(A;ID;0x1200a9;;;S-1-15-2-2)";

struct Descriptors {
  ScopedLocalMemory folder;
  ScopedLocalMemory subfolder;
  ScopedLocalMemory file;
};

bool Build(const char* sddl, ScopedLocalMemory* descriptor) {
  PSECURITY_DESCRIPTOR built = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &built,
                                                            nullptr)) {
    return false;
  }
  descriptor->Reset(built);
  return true;
}

// Sets exactly this item's descriptor, without the automatic propagation
// of SetSecurityInfo, which would walk the tree by names.
bool SetOwnDescriptor(HANDLE item, SECURITY_INFORMATION what, const ScopedLocalMemory& descriptor) {
  return SetKernelObjectSecurity(item, what, descriptor.Get()) != FALSE;
}

// What the walk over the target's contents carries along.
struct Walk {
  Descriptors descriptors;
  FolderSecurityReader& reader;
  std::string user;
  // The first item that others may re-permission or take over.
  std::string others_control;
};

bool ProtectContents(const ScopedHandle& folder, const std::string& shown, Walk& walk);

// The same file or folder: one volume, one file index.
bool SameObject(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION first;
  BY_HANDLE_FILE_INFORMATION second;
  return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

// Removes what someone else put into the target: a file by its handle, a
// folder with everything in it, each item opened relative to its folder by
// its UTF-16 name. A link inside goes itself; one that cannot be opened as
// itself (Wine follows links) stops the removal, never followed.
bool RemoveTree(const ScopedHandle& folder, const HeldItem& listed) {
  const bool listed_folder = (listed.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  ScopedHandle item =
      OpenInFolder(folder, listed.name,
                   DELETE | FILE_READ_ATTRIBUTES | (listed_folder ? FILE_LIST_DIRECTORY : 0),
                   FILE_OPEN_FOR_BACKUP_INTENT);
  BY_HANDLE_FILE_INFORMATION information;
  if (!item || !GetFileInformationByHandle(item.Get(), &information)) return false;
  const bool link = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if ((listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !link) {
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return false;
  }
  if (!link && (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    std::vector<HeldItem> items;
    if (!ListHeldFolder(item, &items)) return false;
    for (const HeldItem& inside : items) {
      if (!RemoveTree(item, inside)) return false;
    }
  }
  return DeleteWhenClosed(item);
}

// An item that neither a trusted account nor the running user owns: put
// there by someone who could write into the folder, a DLL the viewer would
// load, say. The handle the walk opened is closed first; the name is opened
// once more for deletion and must still be the same item.
bool RemovePlantedItem(ScopedHandle item, const ScopedHandle& folder, const HeldItem& listed,
                       const std::string& shown, const std::string& owner) {
  ScopedHandle again =
      OpenInFolder(folder, listed.name, FILE_READ_ATTRIBUTES, FILE_OPEN_FOR_BACKUP_INTENT);
  const bool same = again && SameObject(item.Get(), again.Get());
  item.Close();
  again.Close();
  if (!same || !RemoveTree(folder, listed)) {
    TheRunLog().NoteFailure("cannot remove " + shown + ", which " + owner + " put there",
                            same ? GetLastError() : ERROR_CANT_ACCESS_FILE);
    return false;
  }
  TheRunLog().Note("removed from the target folder, put there by " + owner + ": " + shown);
  return true;
}

// Removes a link, a junction or a second name of a file elsewhere that
// someone who could write into the folder put there: the name itself,
// never what it leads to. A file's handle deletes exactly that name. A
// folder's handle holds no delete access (see ProtectItem): the name is
// opened once more for deletion, relative to the held folder and without
// following a link, and only a link found there goes.
bool RemoveLinkName(ScopedHandle item, const ScopedHandle& folder, const HeldItem& listed,
                    const std::string& shown, bool is_folder) {
  bool removed = false;
  if (is_folder) {
    item.Close();
    ScopedHandle link =
        OpenInFolder(folder, listed.name, DELETE | FILE_READ_ATTRIBUTES, FILE_DIRECTORY_FILE);
    BY_HANDLE_FILE_INFORMATION information;
    if (link && GetFileInformationByHandle(link.Get(), &information)) {
      if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        removed = DeleteWhenClosed(link);
      } else {
        SetLastError(ERROR_CANT_ACCESS_FILE);
      }
    }
  } else {
    removed = DeleteWhenClosed(item);
  }
  if (!removed) {
    TheRunLog().NoteFailure("cannot remove the link " + shown, GetLastError());
    return false;
  }
  TheRunLog().Note("link removed from the target folder: " + shown);
  return true;
}

// One item of the held folder, opened relative to it by its UTF-16 name: a
// real folder or file gets the inherited permissions, a folder its contents
// too; a link is removed. shown is the folder's path for the run log.
bool ProtectItem(const ScopedHandle& folder, const std::string& shown_folder,
                 const HeldItem& listed, Walk& walk) {
  // Only for the log: a name the code page cannot hold may read there as
  // another, and it is never opened by what it reads as.
  const std::string shown = shown_folder + TextOf(listed.name, CP_ACP);
  // A folder's handle holds no delete access, which a folder that is some
  // program's current directory would refuse.
  const bool listed_folder = (listed.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const DWORD access = FILE_READ_ATTRIBUTES | READ_CONTROL | WRITE_DAC | WRITE_OWNER |
                       (listed_folder ? FILE_LIST_DIRECTORY : DELETE);
  ScopedHandle item = OpenInFolder(folder, listed.name, access, FILE_OPEN_FOR_BACKUP_INTENT);
  BY_HANDLE_FILE_INFORMATION information;
  if (!item || !GetFileInformationByHandle(item.Get(), &information)) {
    TheRunLog().NoteFailure("cannot protect " + shown, GetLastError());
    return false;
  }
  const DWORD attributes = information.dwFileAttributes;
  const bool is_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // Wine follows a link despite FILE_OPEN_REPARSE_POINT: the handle then is
  // the link's target, which must be neither changed nor deleted. The
  // listing still names the link for what it is.
  if (((listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
       !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) ||
      is_folder != listed_folder) {
    TheRunLog().Note("cannot protect " + shown + ": it is not what its folder lists");
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || (!is_folder && information.nNumberOfLinks > 1)) {
    return RemoveLinkName(std::move(item), folder, listed, shown, is_folder);
  }
  FolderSecurity security;
  walk.reader.ReadItem(item.Get(), shown, &security);
  if (!security.read) {
    TheRunLog().Note("cannot protect " + shown + ": who controls it cannot be read");
    return false;
  }
  // A handle opened with such a right keeps it whatever is set now.
  if (OthersMayRepermission(security, walk.user)) {
    TheRunLog().Note("refused: others may change the permissions of " + shown + " or take it over");
    if (walk.others_control.empty()) walk.others_control = shown;
    return false;
  }
  if (!IsTrustedOwner(security.owner_sid, walk.user)) {
    return RemovePlantedItem(std::move(item), folder, listed, shown,
                             AccountName(security.owner_sid));
  }
  const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  if (!SetOwnDescriptor(item.Get(), what,
                        is_folder ? walk.descriptors.subfolder : walk.descriptors.file)) {
    TheRunLog().NoteFailure("cannot protect " + shown, GetLastError());
    return false;
  }
  // The handle keeps the folder from being renamed or swapped while its
  // contents are listed and opened through it.
  return !is_folder || ProtectContents(item, shown + "\\", walk);
}

// The folder's contents, listed through its handle: no listed name is
// ever made into a path.
bool ProtectContents(const ScopedHandle& folder, const std::string& shown, Walk& walk) {
  std::vector<HeldItem> items;
  if (!ListHeldFolder(folder, &items)) {
    TheRunLog().NoteFailure("cannot list " + shown, GetLastError());
    return false;
  }
  bool all = true;
  for (const HeldItem& item : items) all = ProtectItem(folder, shown, item, walk) && all;
  return all;
}

}  // namespace

FolderProtectionResult ProtectExistingFolder(const std::string& folder,
                                             FolderSecurityReader& reader, HANDLE judged) {
  FolderProtectionResult result;
  Walk walk{{}, reader, reader.RunningUser(), {}};
  if (!Build(kProtectedFolderSddl, &walk.descriptors.folder) ||
      !Build(kInheritedFolderSddl, &walk.descriptors.subfolder) ||
      !Build(kInheritedFileSddl, &walk.descriptors.file)) {
    TheRunLog().NoteFailure("cannot build the protected permissions", GetLastError());
    return result;
  }
  std::string path = folder;
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  ScopedHandle held(CreateFileA(path.c_str(), READ_CONTROL | WRITE_DAC,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr));
  // The contents are listed through this very folder. A target that is
  // itself a link or junction (Windows opens it as such; Wine follows it)
  // lists nothing of what it leads to: that is refused, not reported done.
  // So is a folder other than the one judged.
  BY_HANDLE_FILE_INFORMATION information;
  if (held && (!GetFileInformationByHandle(held.Get(), &information) ||
               (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
               (judged != nullptr && !SameObject(held.Get(), judged)))) {
    TheRunLog().Note("cannot protect the contents of " + folder +
                     ": it is a link, another folder than the one judged, or what it is cannot "
                     "be read");
    return result;
  }
  if (held) {
    FolderSecurity target;
    reader.ReadItem(held.Get(), path, &target);
    if (!target.read) return result;
    if (OthersMayRepermission(target, walk.user)) {
      TheRunLog().Note("refused: others may change the permissions of " + path +
                       " or take it over");
      result.others_control = path;
      return result;
    }
  }
  // The folder first: from then on nobody else may add to it.
  if (!held || !SetOwnDescriptor(held.Get(), DACL_SECURITY_INFORMATION, walk.descriptors.folder)) {
    TheRunLog().NoteFailure("cannot protect the target folder " + folder, GetLastError());
    return result;
  }
  // Listed through a handle opened from the held one once the folder's
  // permissions grant the listing, which its earlier ones may have denied
  // even to the owner.
  ScopedHandle listed = ReopenHeldFolder(held, FILE_LIST_DIRECTORY);
  if (!listed) {
    TheRunLog().NoteFailure("cannot list " + folder, GetLastError());
    return result;
  }
  result.protected_all = ProtectContents(listed, path + "\\", walk);
  result.others_control = walk.others_control;
  TheRunLog().Note(std::string(result.protected_all
                                   ? "target folder protected, its contents too: "
                                   : "target folder protected, but not all of its contents: ") +
                   kProtectedFolderSddl);
  return result;
}
