// The folders of the archive's entries below the target: every level a
// real folder, a link that someone placed there removed, never followed.
#pragma once

#include <string>
#include <vector>

#include "common/scoped_win.h"

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
