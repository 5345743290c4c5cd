// A target folder, or levels of its path, that stand before the setup
// comes: checked before anything is written into them when the setup runs
// elevated, since a standard user may have made them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "rules/folder_trust_rules.h"

// Reads what the descriptors of the folder's path say: for every level
// below the volume's root that exists, outermost first. Each level is read
// through a handle to itself, so that a link or junction placed there is
// judged by its own owner, not by where it leads.
class FolderSecurityReader {
 public:
  virtual ~FolderSecurityReader() = default;
  // The SID of the account the setup runs as, "" when unknown.
  virtual std::string RunningUser() = 0;
  // False when nothing stands at level (the chain creates it).
  virtual bool Read(const std::string& level, FolderSecurity* security) = 0;
};

class Win32FolderSecurityReader final : public FolderSecurityReader {
 public:
  std::string RunningUser() override;
  bool Read(const std::string& level, FolderSecurity* security) override;
};

// What a descriptor's owner and access list say; read false when they
// cannot be told.
void ReadDescriptor(PSECURITY_DESCRIPTOR descriptor, FolderSecurity* security);

struct ExistingFolderCheck {
  ExistingFolderVerdict verdict;
  std::vector<FolderSecurity> levels;
  bool target_exists = false;
  // With kRefuse: the level at fault and its owner's account name.
  std::string refused_path;
  std::string refused_owner;
};

// Judges the folder (absolute) for an elevated setup outside the Program
// Files folders, and notes in the run log what it found.
ExistingFolderCheck CheckExistingFolder(const std::string& folder, FolderSecurityReader& reader);

// Gives an existing folder (canonical, ending in a backslash) the
// protected permissions, and everything in it the same through
// inheritance, with Administrators as owner. Each item is changed through
// a handle to itself; a link inside is changed itself, never what it
// leads to. False when anything could not be changed.
bool ProtectExistingFolder(const std::string& folder);
