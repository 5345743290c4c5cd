// The permissions a target folder gets that an elevated setup creates
// outside the Program Files folders. Such a folder would inherit its
// parent's: below "C:\" those let every signed-in user change the files an
// administrator's viewer loads later.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/scoped_win.h"
#include "files/folder_security.h"

// Those of Program Files: full control for SYSTEM and Administrators, read
// and execute for Users and for app packages (all, and the restricted ones:
// the shell's previews and pickers run as such), full control of what a
// creator owns, nothing inherited from the parent.
constexpr char kProtectedFolderSddl[] =
    "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICIIO;GA;;;CO)"
    "(A;OICI;0x1200a9;;;S-1-15-2-1)(A;OICI;0x1200a9;;;S-1-15-2-2)";

// Those of the setup's private folders in the temporary folder (the
// archive's, the settings work folder): SYSTEM, Administrators and the
// folder's owner only, nothing inherited. "C:\Windows\Temp", SYSTEM's
// temporary folder where Windows gives it no private one, hands every user
// "add files" to what is created in it; there nobody else may put a link or
// a file of their own in the setup's way.
constexpr char kPrivateFolderSddl[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;OW)";

class FolderProtection {
 public:
  // Decides for the target folder (absolute): the protection applies when
  // this process runs elevated and the folder lies outside the Program
  // Files folders. A standard user's folder of their own is theirs.
  static FolderProtection For(const char* folder);

  // For a private folder of the setup's in the temporary folder, on every
  // run: kPrivateFolderSddl. Null attributes when it cannot be built.
  static FolderProtection ForPrivateFolder();

  // The setup runs elevated and the folder lies outside Program Files: an
  // existing folder or level there is checked before it is used.
  bool applies() const { return applies_; }
  // The attributes to create the folder's highest new level with; null
  // when it keeps what it inherits.
  SECURITY_ATTRIBUTES* attributes() { return descriptor_ ? &attributes_ : nullptr; }

 private:
  bool Build(const char* sddl);

  bool applies_ = false;
  ScopedLocalMemory descriptor_;
  SECURITY_ATTRIBUTES attributes_ = {};
};

// An item another account had put into the target, moved aside there.
struct QuarantinedItem {
  std::string item;      // its path as it was
  std::string owner;     // the account that owns it
  std::string moved_to;  // its quarantine path in the target
};

struct FolderProtectionResult {
  bool protected_all = false;
  // Where others may re-permission or take over the target or an item in
  // it: the folder is refused instead, and this names the item.
  std::string others_control;
  // An item the folder may not hold, a folder deeper below the target than
  // the walk goes: the folder is refused, and this names the item.
  std::string refused_item;
  // What another account had put there, each moved aside to a quarantine
  // name in the target, for the run log and the setup log.
  std::vector<QuarantinedItem> quarantined;
  explicit operator bool() const { return protected_all; }
};

// Gives an existing folder (canonical, ending in a backslash) that others
// could write the protected permissions, and takes nothing of what stood
// there on trust: anyone could have written, renamed or marked it. Each
// item is opened through a handle to itself. A link inside is removed
// itself, never what it leads to; an item that neither a trusted account
// nor the running user owns was put there by someone else and is renamed as
// a whole to a quarantine name in the target, never opened or deleted.
// Otherwise the folder may hold only payload_names (the payload's entries),
// files for the unpacking to replace, left as they are, and folders, given
// Administrators as owner and what the target hands down; anything else, a
// read-only file among them, refuses the folder (refused_item). The walk
// goes folder by folder, no deeper than a fixed limit. judged, when given,
// is the handle of the folder the check judged and holds: the folder is
// opened anew through it, never by its path again.
FolderProtectionResult ProtectExistingFolder(const std::string& folder,
                                             FolderSecurityReader& reader,
                                             const std::vector<std::string>& payload_names,
                                             const ScopedHandle* judged = nullptr);

// Test builds only: called with a planted item's name (as the run log
// shows it) after the walk judged it and before its name is opened again
// to move it aside (nullptr: nothing), so that a test can put another item
// at the name.
using QuarantineHook = void (*)(const std::string& shown);
void SetBeforeQuarantineHookForTests(QuarantineHook hook);
