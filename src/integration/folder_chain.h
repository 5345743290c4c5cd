// Folder helpers on the real file system.
#pragma once

#include <windows.h>

#include <string>

// Creates the folder in path (260 bytes) with every missing level and puts
// path into canonical form (trimmed, ending in a backslash), its levels
// split among the characters of the system's code page. True when the
// folder exists afterwards. The
// highest level created, if any, is created with security (when given),
// the levels below inherit from it; its path goes to highest_created.
bool CreateFolderChain(char* path, SECURITY_ATTRIBUTES* security = nullptr,
                       std::string* highest_created = nullptr);
