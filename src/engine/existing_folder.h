// A target folder, or levels of its path, that stand before the setup
// comes: checked before anything is written into them when the setup runs
// elevated, since a standard user may have made them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/scoped_win.h"
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
  // False when nothing stands at level (the chain creates it). Else held
  // is the level, opened without following a link and without delete
  // sharing, so that nobody can move it aside while the handle lives; a
  // link or junction there reads as such (reparse_point).
  virtual bool Read(const std::string& level, FolderSecurity* security, ScopedHandle* held) = 0;
  // What the descriptor of an item of the target says, read through its
  // handle; shown names it for the run log.
  virtual void ReadItem(HANDLE item, const std::string& shown, FolderSecurity* security) = 0;
};

class Win32FolderSecurityReader : public FolderSecurityReader {
 public:
  std::string RunningUser() override;
  bool Read(const std::string& level, FolderSecurity* security, ScopedHandle* held) override;
  void ReadItem(HANDLE item, const std::string& shown, FolderSecurity* security) override;
};

// What a descriptor's owner and access list say; read false when they
// cannot be told.
void ReadDescriptor(PSECURITY_DESCRIPTOR descriptor, FolderSecurity* security);

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

struct FolderProtectionResult {
  bool protected_all = false;
  // Where others may re-permission or take over the target or an item in
  // it: the folder is refused instead, and this names the item.
  std::string others_control;
  explicit operator bool() const { return protected_all; }
};

// Gives an existing folder (canonical, ending in a backslash) the
// protected permissions, and everything in it the same through
// inheritance, with Administrators as owner. Each item is changed through
// a handle to itself; a link inside is changed itself, never what it
// leads to; an item that neither a trusted account nor the running user
// owns was put there by someone else and is removed. judged, when given,
// is the handle of the folder the check judged: the walk refuses another.
FolderProtectionResult ProtectExistingFolder(const std::string& folder,
                                             FolderSecurityReader& reader,
                                             HANDLE judged = nullptr);
