// The setup runs elevated and writes into folders that a standard user may
// be able to write to: it never writes through a symbolic link, junction or
// other reparse point that someone else placed at a name it fills.
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

// True when file is a link: marked as a reparse point, a hard link, or a
// name whose final path leads elsewhere; also when what it is cannot be
// made out (the run log then names it). False when nothing stands there.
bool IsFileLink(const char* file);

// Opens the folder at path and holds it so that, while the handle lives,
// the name keeps naming that folder: it cannot be renamed, deleted or
// swapped for a link. An empty handle when path is no real folder (a link,
// a junction, a file) or cannot be opened. With DELETE in extra_access the
// holder may remove the folder through the handle (DeleteWhenClosed).
ScopedHandle HoldRealFolder(const std::string& path, DWORD extra_access = 0);

// Marks what handle (opened with DELETE access) stands for to be deleted
// once its last handle closes: exactly that file or empty folder, whatever
// stands at its name by then. False, with the error, when it cannot go.
bool DeleteWhenClosed(const ScopedHandle& handle);

// Holds every folder level of a folder relative to root ("" for root
// itself, "Plugins\Sub\"), outermost first, in held. False when a level is
// no real folder: nothing below it may be touched.
bool HoldRealFolderLevels(const std::string& root, const std::string& relative_folder,
                          std::vector<ScopedHandle>& held);

// Holds the folder that path (absolute, ending in a backslash) names now,
// and every level above it below the volume's root, outermost first, in
// held: while the handles live no level can be renamed, deleted or swapped
// for a link, so every path formed from path keeps leading into this very
// folder. Links on the way are followed, as the folder chain followed them.
// A level above that cannot be opened is not held; false when the folder
// itself cannot be held or is no folder.
bool HoldFolderPath(const std::string& path, std::vector<ScopedHandle>& held);

// Deletes the file at path when it is a real file, through a handle to
// exactly that file: a link put there, even between a check and the
// deletion, is never followed. False, with the error, when it is no real
// file or cannot be deleted now (a running program's file, for example).
bool DeleteRealFile(const std::string& path);
