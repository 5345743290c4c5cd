#include "rules/folder_trust_rules.h"

namespace {

constexpr std::string_view kSystem = "S-1-5-18";
constexpr std::string_view kAdministrators = "S-1-5-32-544";
constexpr std::string_view kTrustedInstaller =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr std::string_view kCreatorOwner = "S-1-3-0";
constexpr std::string_view kOwnerRights = "S-1-3-4";

// Every right that changes the folder's contents, its attributes or its
// permissions.
constexpr std::uint32_t kChangeRights =
    folder_rights::kWriteData | folder_rights::kAppendData | folder_rights::kWriteExtended |
    folder_rights::kDeleteChild | folder_rights::kWriteAttributes | folder_rights::kDelete |
    folder_rights::kWriteDac | folder_rights::kWriteOwner | folder_rights::kGenericAll |
    folder_rights::kGenericWrite;

// The rights by which the folder itself can be renamed or deleted (or
// given permissions that allow it).
constexpr std::uint32_t kMoveRights = folder_rights::kDelete | folder_rights::kWriteDac |
                                      folder_rights::kWriteOwner | folder_rights::kGenericAll;

// The right by which a folder's parent lets its children be moved.
constexpr std::uint32_t kMoveChildRights = folder_rights::kDeleteChild | folder_rights::kGenericAll;

// What others keep on a secured level itself: list it, read its
// attributes and permissions, pass through it, add a folder to it.
constexpr std::uint32_t kSecuredLevelRights = 0x00000001u | folder_rights::kAppendData |
                                              0x00000008u | 0x00000020u | 0x00000080u |
                                              0x00020000u | 0x00100000u;

// The rights on a file or folder that the generic rights stand for.
std::uint32_t WithoutGenericRights(std::uint32_t mask) {
  std::uint32_t specific = mask & 0x0FFFFFFFu;
  if (mask & folder_rights::kGenericAll) specific |= 0x001F01FFu;
  if (mask & folder_rights::kGenericRead) specific |= 0x00120089u;
  if (mask & folder_rights::kGenericWrite) specific |= 0x00120116u;
  if (mask & folder_rights::kGenericExecute) specific |= 0x001200A0u;
  return specific;
}

// Windows writes the string form of a SID in one way only.
bool SameSid(std::string_view a, std::string_view b) { return a == b; }

// An entry of someone not trusted that grants any of rights, on the
// folder itself or, with contents, on what is created inside.
bool GrantsOthers(const FolderAccessEntry& entry, std::uint32_t rights, bool contents,
                  std::string_view running_user) {
  return entry.allows && (contents || !entry.inherit_only) &&
         (WithoutGenericRights(entry.mask) & rights) != 0 &&
         !IsTrustedPrincipal(entry.sid, running_user);
}

// Someone not trusted holds any of rights on the folder itself.
bool OthersHold(const FolderSecurity& folder, std::uint32_t rights, std::string_view running_user) {
  if (!folder.has_access_list) return true;
  for (const FolderAccessEntry& entry : folder.entries) {
    if (GrantsOthers(entry, rights, false, running_user)) return true;
  }
  return false;
}

bool OwnedByTrusted(const FolderSecurity& folder, std::string_view running_user) {
  return folder.read && IsTrustedOwner(folder.owner_sid, running_user);
}

}  // namespace

bool IsTrustedPrincipal(std::string_view sid, std::string_view running_user) {
  for (std::string_view trusted :
       {kSystem, kAdministrators, kTrustedInstaller, kCreatorOwner, kOwnerRights}) {
    if (SameSid(sid, trusted)) return true;
  }
  return !running_user.empty() && SameSid(sid, running_user);
}

bool IsTrustedOwner(std::string_view owner_sid, std::string_view running_user) {
  return !owner_sid.empty() && IsTrustedPrincipal(owner_sid, running_user) &&
         !SameSid(owner_sid, kCreatorOwner) && !SameSid(owner_sid, kOwnerRights);
}

bool OthersMayChange(const FolderSecurity& folder, std::string_view running_user) {
  if (!folder.has_access_list) return true;
  for (const FolderAccessEntry& entry : folder.entries) {
    // An entry for the contents only gives others every file and folder
    // created inside: the installation's own files.
    const bool to_contents =
        (entry.inheritance & (folder_inheritance::kFiles | folder_inheritance::kFolders)) != 0;
    if (GrantsOthers(entry, kChangeRights, to_contents, running_user)) return true;
  }
  return false;
}

bool OthersMayRepermission(const FolderSecurity& item, std::string_view running_user) {
  return OthersHold(item, folder_rights::kWriteDac | folder_rights::kWriteOwner, running_user);
}

bool OthersMayMove(const FolderSecurity& level, std::string_view running_user) {
  return OthersHold(level, kMoveRights | kMoveChildRights, running_user);
}

std::vector<FolderAccessEntry> SecuredLevelEntries(const FolderSecurity& level,
                                                   std::string_view running_user) {
  std::vector<FolderAccessEntry> denies;
  std::vector<FolderAccessEntry> allows;
  for (const FolderAccessEntry& entry : level.entries) {
    std::vector<FolderAccessEntry>& kept = entry.allows ? allows : denies;
    if (!GrantsOthers(entry, kMoveRights | kMoveChildRights, false, running_user)) {
      kept.push_back(entry);
      continue;
    }
    if (entry.inheritance & (folder_inheritance::kFiles | folder_inheritance::kFolders)) {
      FolderAccessEntry contents = entry;
      contents.inherit_only = true;
      allows.push_back(contents);
    }
    FolderAccessEntry itself = entry;
    itself.inheritance = 0;
    itself.mask = WithoutGenericRights(entry.mask) & kSecuredLevelRights;
    if (itself.mask != 0) allows.push_back(itself);
  }
  denies.insert(denies.end(), allows.begin(), allows.end());
  return denies;
}

namespace {

// Why level (is_target: the existing target itself) cannot be used,
// false when it can.
bool RefusalOf(const FolderSecurity& level, bool is_target, std::string_view running_user,
               FolderRefusal* refusal) {
  if (level.held_by_other) {
    *refusal = FolderRefusal::kHeldByOther;
  } else if (level.reparse_point) {
    *refusal = FolderRefusal::kLink;
  } else if (!OwnedByTrusted(level, running_user)) {
    *refusal = FolderRefusal::kOwner;
  } else if (!is_target && OthersMayRepermission(level, running_user)) {
    *refusal = FolderRefusal::kRepermission;
  } else {
    return false;
  }
  return true;
}

}  // namespace

ExistingFolderVerdict JudgeExistingFolder(const std::vector<FolderSecurity>& levels,
                                          bool target_exists, std::string_view running_user) {
  ExistingFolderVerdict verdict;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    const bool is_target = target_exists && i + 1 == levels.size();
    if (RefusalOf(levels[i], is_target, running_user, &verdict.refusal)) {
      verdict.action = ExistingFolderAction::kRefuse;
      verdict.refused_level = i;
      verdict.movable_levels.clear();
      verdict.levels_to_secure.clear();
      return verdict;
    }
    // The target's own rights are replaced when it is protected; its
    // parent's right to move children stays.
    const bool movable = (!is_target && OthersHold(levels[i], kMoveRights, running_user)) ||
                         (i > 0 && OthersHold(levels[i - 1], kMoveChildRights, running_user));
    if (movable) verdict.movable_levels.push_back(i);
    // The target gets the protected permissions itself where others may
    // change it; every level above is secured where it lets others move it
    // or what is in it.
    if (!is_target && OthersMayMove(levels[i], running_user)) {
      verdict.levels_to_secure.push_back(i);
    }
  }
  if (target_exists && !levels.empty() && OthersMayChange(levels.back(), running_user)) {
    verdict.action = ExistingFolderAction::kProtect;
  }
  return verdict;
}

std::vector<std::string> FolderLevelsBelowRoot(std::string_view folder,
                                               const CodePageCharacters& characters) {
  std::vector<std::string> levels;
  auto backslash_from = [&](std::size_t from) {
    const std::size_t found = characters.FindFirstOf(folder, "\\", from);
    return found == std::string_view::npos ? folder.size() : found;
  };
  std::size_t start = 0;
  if (folder.size() >= 2 && folder[1] == ':') {
    start = 2;
  } else if (folder.substr(0, 2) == "\\\\") {
    // \\server\share is the root.
    const std::size_t server_end = backslash_from(2);
    if (server_end == folder.size()) return levels;
    start = backslash_from(server_end + 1);
    if (start == folder.size()) return levels;
  } else {
    return levels;
  }
  std::string path(folder.substr(0, start));
  std::size_t scan = start;
  while (scan < folder.size()) {
    while (scan < folder.size() && folder[scan] == '\\') ++scan;
    if (scan >= folder.size()) break;
    const std::size_t end = backslash_from(scan);
    // As the folder chain makes them: a level's trailing blanks go, and a
    // level of blanks only is none.
    std::string_view part = folder.substr(scan, end - scan);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    scan = end;
    if (part.empty()) continue;
    path += '\\';
    path.append(part);
    levels.push_back(path);
  }
  return levels;
}
