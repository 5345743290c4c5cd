// Making the unpacked viewer part of Windows: shortcuts, verbs, program
// registration, uninstall entry and file associations.
#pragma once

#include "integration/registry_layer.h"

// Does every step in order whatever fails on the way and always returns 1;
// nothing of it is reported to the user. With failed_entries, stores how
// many registry writes and links failed, for the exit code of a silent run.
// With as_local_system (the setup runs as SYSTEM, whose desktop, Start menu
// and HKCU nobody sees) the links go to all users' folders, and no user's
// own choice of a format is written; the run log says so.
int IntegrateWithSystem(int associations_confirmed, int associate, const char* target_folder,
                        int start_menu_shortcut, int desktop_shortcut, int thumbnails_shortcut,
                        int all_users, const int* association_marks,
                        int* failed_entries = nullptr, int as_local_system = 0);

// The same, with every registry write going through registry.
int IntegrateWithSystem(int associations_confirmed, int associate, const char* target_folder,
                        int start_menu_shortcut, int desktop_shortcut, int thumbnails_shortcut,
                        int all_users, const int* association_marks, RegistryLayer& registry,
                        int* failed_entries = nullptr, int as_local_system = 0);
