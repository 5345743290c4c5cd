// The welcome page's folder field, in UTF-16. An edit control made through
// the "A" functions keeps its text in the code page, so a folder typed with
// a character the code page lacks would lose it, or take a look-alike.
#pragma once

#include <windows.h>

// Puts a Unicode edit of the same look, place, tab position and id in place
// of the template's field (once; a Unicode field stays).
void MakeFolderFieldUnicode(HWND page, int id);

// The field's text in its exact ANSI form (the short names of the levels
// that exist where the code page lacks a character), at most 259
// characters. False, with folder empty, when it has none.
bool ReadFolderField(HWND page, int id, char* folder);
