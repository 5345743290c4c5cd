// Items someone who could write into the target folder put there: links
// and other accounts' items, found by the protection's walk.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/scoped_win.h"
#include "files/folder_protection.h"
#include "files/held_folders.h"

// The target folder, listed through this handle, where planted items are
// moved aside to, and what was moved there.
struct QuarantineFolder {
  const ScopedHandle* root = nullptr;
  std::string root_shown;  // ending in a backslash
  std::vector<QuarantinedItem> quarantined;
};

// An item that neither a trusted account nor the running user owns: put
// there by someone who could write into the folder, a DLL the viewer would
// load, say. It is renamed as a whole to a quarantine name in the target,
// where the viewer loads nothing and which its owner can no longer change
// into anything the viewer loads; nothing of it is opened or deleted with
// the setup's rights. The walk's handle (without delete access for a folder,
// and without delete sharing) is closed first; the name is opened once more
// with delete access, and what it opens now must be the very item judged.
bool QuarantinePlantedItem(ScopedHandle item, const BY_HANDLE_FILE_INFORMATION& judged,
                           const ScopedHandle& folder, const HeldItem& listed,
                           const std::string& shown, const std::string& owner,
                           QuarantineFolder& target);

// Removes a link, a junction or a second name of a file elsewhere that
// someone who could write into the folder put there: the name itself,
// never what it leads to. A file's handle deletes exactly that name. A
// folder's handle holds no delete access (see the walk): the name is
// opened once more for deletion, relative to the held folder and without
// following a link, and only a link found there goes.
bool RemoveLinkName(ScopedHandle item, const ScopedHandle& folder, const HeldItem& listed,
                    const std::string& shown, bool is_folder);
