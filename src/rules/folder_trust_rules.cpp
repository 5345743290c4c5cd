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

// Windows writes the string form of a SID in one way only.
bool SameSid(std::string_view a, std::string_view b) { return a == b; }

// Someone not trusted holds any of rights on the folder itself.
bool OthersHold(const FolderSecurity& folder, std::uint32_t rights, std::string_view running_user) {
  if (!folder.has_access_list) return true;
  for (const FolderAccessEntry& entry : folder.entries) {
    if (entry.allows && !entry.inherit_only && (entry.mask & rights) != 0 &&
        !IsTrustedPrincipal(entry.sid, running_user)) {
      return true;
    }
  }
  return false;
}

bool OwnedByTrusted(const FolderSecurity& folder, std::string_view running_user) {
  return folder.read && !folder.owner_sid.empty() &&
         IsTrustedPrincipal(folder.owner_sid, running_user) &&
         !SameSid(folder.owner_sid, kCreatorOwner) && !SameSid(folder.owner_sid, kOwnerRights);
}

}  // namespace

bool IsTrustedPrincipal(std::string_view sid, std::string_view running_user) {
  for (std::string_view trusted :
       {kSystem, kAdministrators, kTrustedInstaller, kCreatorOwner, kOwnerRights}) {
    if (SameSid(sid, trusted)) return true;
  }
  return !running_user.empty() && SameSid(sid, running_user);
}

bool OthersMayChange(const FolderSecurity& folder, std::string_view running_user) {
  return OthersHold(folder, kChangeRights, running_user);
}

ExistingFolderVerdict JudgeExistingFolder(const std::vector<FolderSecurity>& levels,
                                          bool target_exists, std::string_view running_user) {
  ExistingFolderVerdict verdict;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    if (!OwnedByTrusted(levels[i], running_user)) {
      verdict.action = ExistingFolderAction::kRefuse;
      verdict.refused_level = i;
      verdict.movable_levels.clear();
      return verdict;
    }
    const bool is_target = target_exists && i + 1 == levels.size();
    // The target's own rights are replaced when it is protected; its
    // parent's right to move children stays.
    const bool movable = (!is_target && OthersHold(levels[i], kMoveRights, running_user)) ||
                         (i > 0 && OthersHold(levels[i - 1], kMoveChildRights, running_user));
    if (movable) verdict.movable_levels.push_back(i);
  }
  if (target_exists && !levels.empty() && OthersMayChange(levels.back(), running_user)) {
    verdict.action = ExistingFolderAction::kProtect;
  }
  return verdict;
}

std::vector<std::string> FolderLevelsBelowRoot(std::string_view folder) {
  std::vector<std::string> levels;
  std::size_t start = 0;
  if (folder.size() >= 2 && folder[1] == ':') {
    start = 2;
  } else if (folder.substr(0, 2) == "\\\\") {
    // \\server\share is the root.
    std::size_t server_end = folder.find('\\', 2);
    if (server_end == std::string_view::npos) return levels;
    std::size_t share_end = folder.find('\\', server_end + 1);
    if (share_end == std::string_view::npos) return levels;
    start = share_end;
  } else {
    return levels;
  }
  std::string path(folder.substr(0, start));
  std::size_t scan = start;
  while (scan < folder.size()) {
    while (scan < folder.size() && folder[scan] == '\\') ++scan;
    if (scan >= folder.size()) break;
    std::size_t end = folder.find('\\', scan);
    if (end == std::string_view::npos) end = folder.size();
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
