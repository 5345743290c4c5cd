// Folder helpers on the real file system.
#pragma once

// Creates the folder in path (260 bytes) with every missing level and puts
// path into canonical form (trimmed, ending in a backslash). 1 or 0.
int CreateFolderChain(char* path);
