#include "files/folder_security.h"

#include <windows.h>
#include <sddl.h>

#include <string>
#include <utility>
#include <vector>

#include "common/code_page_bytes.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "files/held_folders.h"

namespace {

std::string RefusalText(const ExistingFolderCheck& check) {
  switch (check.verdict.refusal) {
    case FolderRefusal::kLink:
      return " is a link or junction";
    case FolderRefusal::kHeldByOther:
      return ": another program may rename or delete it, so it cannot be held";
    case FolderRefusal::kRepermission:
      return ": other users may change its permissions or take it over";
    case FolderRefusal::kOwner:
      break;
  }
  return check.refused_owner.empty() ? ": who controls it cannot be read"
                                     : " belongs to " + check.refused_owner;
}

void NoteVerdict(const ExistingFolderCheck& check) {
  RunLog& log = TheRunLog();
  for (std::size_t index : check.verdict.movable_levels) {
    log.Note("any user may move " + check.levels[index].path +
             " aside and put another folder in its place");
  }
  switch (check.verdict.action) {
    case ExistingFolderAction::kRefuse:
      log.Note("refused: " + check.refused_path + RefusalText(check));
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

ExistingFolderCheck CheckExistingFolder(const std::string& folder, FolderSecurityReader& reader) {
  ExistingFolderCheck check;
  const std::string user = reader.RunningUser();
  const std::vector<std::string> levels =
      FolderLevelsBelowRoot(folder, CodePageCharacters::Of(SystemAnsiCodePage()));
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
// False, with the Windows error, when it cannot be secured.
bool SecureLevel(const FolderSecurity& level, const ScopedHandle& held, const std::string& user,
                 DWORD* error) {
  std::vector<unsigned char> acl;
  SECURITY_DESCRIPTOR sd;
  const std::vector<FolderAccessEntry> entries = SecuredLevelEntries(level, user);
  // An empty list would lock everyone out, the setup included.
  if (!held || entries.empty() || !BuildProtectedList(entries, &acl, &sd)) {
    *error = ERROR_INVALID_ACL;
    return false;
  }
  ScopedHandle writable = ReopenHeldFolder(held, READ_CONTROL | WRITE_DAC);
  if (!writable || !SetKernelObjectSecurity(writable.Get(), DACL_SECURITY_INFORMATION, &sd)) {
    *error = GetLastError();
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
    // The check holds one handle for each level it read.
    DWORD error = ERROR_INVALID_HANDLE;
    if (index >= check.held.size() ||
        !SecureLevel(check.levels[index], check.held[index], user, &error)) {
      TheRunLog().NoteFailure("cannot secure " + check.levels[index].path, error);
      check.refused_path = check.levels[index].path;
      return false;
    }
  }
  return true;
}
