// Making the unpacked viewer part of Windows: shortcuts, verbs, program
// registration, uninstall entry and file associations.
#pragma once

#include "integration/registry_layer.h"

// Always returns 1; nothing of it is reported.
int IntegrateWithSystem(int associations_confirmed, int associate, const char* target_folder,
                        int start_menu_shortcut, int desktop_shortcut, int thumbnails_shortcut,
                        int all_users, const int* association_marks);

// The same, with every registry write going through registry.
int IntegrateWithSystem(int associations_confirmed, int associate, const char* target_folder,
                        int start_menu_shortcut, int desktop_shortcut, int thumbnails_shortcut,
                        int all_users, const int* association_marks, RegistryLayer& registry);
