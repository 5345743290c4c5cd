// The folders of the archive's entries below the target: every level a
// real folder, a link that someone placed there removed, never followed.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/scoped_win.h"
#include "files/held_folders.h"

// Makes every folder level of a relative entry name (the folder part, and
// the whole name when it ends in "/" or "\") below root (a folder ending in
// a backslash) a real folder: a level that is a link or junction is
// removed, the link itself, and created as a folder. False when such a
// link stays.
bool MakeFolderLevelsReal(const std::string& root, const char* relative_name);

// Creates every level of a relative folder path ("/" or "\" separated, one
// trailing "/" allowed) below root (a folder ending in a backslash; empty:
// the current directory). 1 on success, 0 when a level cannot be created
// or the path does not fit. Each level it created is added to created
// (root included), when given.
int CreateEntryFolders(const char* path, std::vector<std::string>* created = nullptr,
                       const std::string& root = {});

// Holds every folder level of a folder relative to root ("" for root
// itself, "Plugins\Sub\"), outermost first, in held. False when a level is
// no real folder: nothing below it may be touched.
bool HoldRealFolderLevels(const std::string& root, const std::string& relative_folder,
                          std::vector<ScopedHandle>& held);

// One folder of the archive's entries, held: its handle, and what it held
// before the run, listed once through the handle when first asked.
struct HeldEntryFolder {
  const ScopedHandle* handle = nullptr;  // owned, or the target's
  ScopedHandle owned;
  bool made = false;  // made by this run: it held nothing
  bool listed = false;
  std::vector<HeldItem> items;
};

// The folders of the archive's entries below a held target, each opened
// relative to the level above it and held once (no delete sharing), for
// all the entries that go into it: while they are held no level can be
// renamed or swapped for a link, and every name in them is opened relative
// to their handles, never through a path.
class HeldEntryFolders {
 public:
  // root: the target's path, ending in a backslash; target: its held
  // handle, which must outlive this.
  HeldEntryFolders(const std::string& root, const ScopedHandle& target) : root_(root) {
    target_.handle = &target;
  }

  // The held folder of a relative folder ("" for the target, "Plugins/";
  // "/" or "\" separated): every level a real folder, one that is missing
  // made (its path added to created, in the order they were made), a link
  // or junction at a level removed, the link itself, and made a real
  // folder. Null when a level cannot be made real or held.
  HeldEntryFolder* Hold(const std::string& relative_folder, std::vector<std::string>* created);

  // The attributes of what stood at name (one name, in the code page) in
  // folder when the folder was first listed, matched as the file system
  // matches names (its short name too); INVALID_FILE_ATTRIBUTES when
  // nothing stood there. A folder that cannot be listed counts as holding
  // nothing: the commit still finds what stands at a name.
  static DWORD AttributesIn(HeldEntryFolder& folder, const std::string& name);

  // Lets every level go, so that the empty ones can be removed.
  void Release() { held_.clear(); }

 private:
  HeldEntryFolder* HoldLevel(HeldEntryFolder& parent, const std::string& level,
                             std::vector<std::string>* created);

  std::string root_;
  HeldEntryFolder target_;
  std::map<std::string, HeldEntryFolder> held_;  // by the level's relative path
};
