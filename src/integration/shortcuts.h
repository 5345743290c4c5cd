// Shell links (.lnk) to the installed viewer: on the desktop and in the
// Start-menu folder "Pellumara". Each returns true when the link file was
// saved; a link whose file, target or icon path would not
// fit in 259 characters is not attempted.
#pragma once

#include "rules/integration_choices.h"

// A link on the desktop of places (the common one for all users).
// icon_path, link_description and arguments may be null; icon_index is used
// only with icon_path.
bool CreateShortcut(const char* target, const char* link_name, const char* icon_path,
                    const char* link_description, const char* arguments, int icon_index,
                    LinkPlaces places);

// A link in folder, which ends in a backslash. Never sets a description.
bool CreateShortcutInFolder(const char* folder, const char* link_name, const char* target,
                            const char* arguments, const char* icon_path, int icon_index);

// The whole Start-menu folder of places for the viewer installed in
// program_folder (ending in a backslash), with the uninstaller's link when
// uninstall_link is set. Returns the result of its last link. With
// failed_links, adds the number of links that were not saved (the removal
// of earlier versions' links, which are mostly not there, never counts).
bool CreateProgramGroup(const char* program_folder, LinkPlaces places, bool uninstall_link,
                        int* failed_links = nullptr);
