// The setup runs elevated and writes into folders that a standard user may
// be able to write to: it never writes through a symbolic link, junction or
// other reparse point that someone else placed at a name it fills.
#pragma once

// Makes every folder level of a relative entry name (the folder part, and
// the whole name when it ends in "/" or "\") below the current directory a
// real folder: a level that is a link or junction is removed, the link
// itself, and created as a folder. False when such a link stays.
bool MakeFolderLevelsReal(const char* relative_name);

// True when file is a link: marked as a reparse point, a hard link, or a
// name whose final path leads elsewhere.
bool IsFileLink(const char* file);

// Makes sure that what stands at file, if anything, is a real file and not
// a link to another one (symbolic or hard): a link is replaced by an empty
// file of its own, what it pointed to stays untouched. False when a link
// stays.
bool ReplaceFileLink(const char* file);
