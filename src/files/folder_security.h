// A target folder, or levels of its path, that stand before the setup
// comes: checked before anything is written into them when the setup runs
// elevated, since a standard user may have made them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/scoped_win.h"
#include "files/folder_security_reader.h"
#include "rules/folder_trust_rules.h"

struct ExistingFolderCheck {
  ExistingFolderVerdict verdict;
  std::vector<FolderSecurity> levels;
  // A handle to each level read, held while the check lives: the verdict
  // stays true of the very folders judged.
  std::vector<ScopedHandle> held;
  bool target_exists = false;
  // With kRefuse: the level at fault and its owner's account name.
  std::string refused_path;
  std::string refused_owner;
};

// Judges the folder (absolute) for an elevated setup outside the Program
// Files folders, and notes in the run log what it found.
ExistingFolderCheck CheckExistingFolder(const std::string& folder, FolderSecurityReader& reader);

// Gives every level the check found movable (levels_to_secure) the access
// list that secures it, set through the held handle; the run log names
// each level and its new list. False, with the level in refused_path,
// when one cannot be secured.
bool SecureMovableLevels(ExistingFolderCheck& check, FolderSecurityReader& reader);
