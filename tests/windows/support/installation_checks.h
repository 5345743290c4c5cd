// Reading back what an installation of the real setup left in the prefix:
// special folders, links, registry values, and removing all of it again so
// that the next case starts clean.
#pragma once

#include "support/scratch.h"

#include <windows.h>

#include <set>
#include <string>
#include <vector>

// A REG_DWORD value as decimal text, or "<missing>".
std::string RegistryDword(HKEY hive, const std::string& key, const char* name);
bool KeyExists(HKEY hive, const std::string& path);
std::vector<std::string> SubkeysStartingWith(HKEY hive, const std::string& path,
                                             const std::string& prefix);
std::string Quoted(const std::string& text);
// The text with its environment references expanded as this process sees them.
std::string Expanded(const std::string& text);

extern const char kUninstallKey[];
extern const char kFileExtsKey[];  // per-user extension choices, ends in "\."

// The open command of the application's own ProgID, and the default value
// of an extension's key ("jpg" -> HKLM\SOFTWARE\Classes\.jpg).
std::string ApplicationOpenCommand();
std::string ExtensionDefault(const std::string& extension);
// The number of the viewer's ProgIDs "Pellumara.<type>".
std::size_t ViewerProgIdCount();

// Expectations (gtest) on a finished installation: the Start-menu folder
// and both desktop links of the current user; the application's
// registration, folder verb and uninstall entry for the canonical folder
// (ending in a backslash).
void ExpectLinksOfTheCurrentUser();
void ExpectRegisteredViewer(const std::string& folder);

// Removes the given folders and everything any installation writes into
// the links' folders and the registry.
void RemoveInstallation(const std::vector<std::string>& folders);
