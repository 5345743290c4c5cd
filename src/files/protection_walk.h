// The walk over the contents of a target folder that others could write,
// once the folder itself is protected (folder_protection.h).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/scoped_win.h"
#include "files/folder_security_reader.h"
#include "files/planted_items.h"

// The descriptors the walk sets: the target's own, and what its payload
// folders get.
struct ProtectionDescriptors {
  ScopedLocalMemory folder;
  ScopedLocalMemory subfolder;
};

// What the walk over the target's contents carries along.
struct ProtectionWalk {
  ProtectionDescriptors descriptors;
  FolderSecurityReader& reader;
  std::string user;
  // The names of the payload's entries: in the target nothing else is kept.
  const std::vector<std::string>& payload_names;
  // Where planted items are moved aside to, and what was.
  QuarantineFolder target;
  // The first item that others may re-permission or take over.
  std::string others_control;
  // The first item that refuses the folder: one the setup would keep, a
  // read-only file it would not replace, one deeper than the walk goes.
  std::string refused_item;
};

// Sets exactly this item's descriptor, without the automatic propagation
// of SetSecurityInfo, which would walk the tree by names.
bool SetOwnDescriptor(HANDLE item, SECURITY_INFORMATION what, const ScopedLocalMemory& descriptor);

// The target's contents (target: the folder, listed; shown: its path,
// ending in a backslash), folder by folder, each listed through its handle:
// no listed name is ever made into a path. Iterative, so that no tree can
// exhaust the stack; a folder deeper than a fixed limit is not walked and
// fails the walk. A link is removed, another account's item moved aside;
// a folder of the payload gets the inherited permissions, a file of the
// payload stays for the unpacking to replace, anything else refuses the
// folder. True when every item was protected.
bool ProtectContents(ScopedHandle target, const std::string& shown, ProtectionWalk& walk);
