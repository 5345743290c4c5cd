// Decisions of the wizard pages that need no window: the form a target
// folder must have, the folder name the browse button appends, and which
// page Next or Back leads to.
#pragma once

#include <cstddef>

#include "rules/code_page_characters.h"

// The welcome page only accepts a folder that starts, as typed, with a drive
// letter, a colon and a backslash: a relative or drive-relative folder
// ("C:Pellumara"), a UNC path and a leading blank are refused.
bool TargetFolderHasDrive(const char* folder);

// After a folder was picked in the folder dialog: ends the path (a
// 260-byte buffer) in a backslash and appends "Pellumara\" unless the last
// folder already has that name (any letter case). A drive root always gets
// it. A path that would no longer fit stays as it is. The last folder is
// found among the path's characters.
void AppendProductFolder(char* path, const CodePageCharacters& characters);

// The index of the page that Next (forward) or Back leads to from page
// active: the nearest one in that direction whose included flag is set, or
// -1 when there is none.
int FindNeighbourIndex(const int* included, int page_count, int active, bool forward);
