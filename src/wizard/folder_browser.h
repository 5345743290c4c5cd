// The shell's folder-selection dialog, opened on the folder already typed.
#pragma once

#include <windows.h>

// 1 with the chosen file-system folder in path (260 bytes), ending in a
// backslash; 0 with path unchanged when the user cancelled or chose no
// file-system folder.
int BrowseForFolder(HWND owner, char* path);

// Preselects the callback data's folder when the dialog opens.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM parameter, LPARAM data);
