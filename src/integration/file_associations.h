// Tying the catalogue's formats to the viewer: ProgIDs and capabilities for
// every format, the machine default and the user's choice for marked ones.
#pragma once

#include <string>

#include "integration/registry_layer.h"

// Whether the current user's choice of a marked format (Windows 7 only) is
// written: not when the setup runs as SYSTEM, whose hive is nobody's.
enum class UserChoice { kWrite, kLeaveToUsers };

// Registers one extension under the viewer's ProgID "Pellumara.<type_name>".
// Only when marked does it become the extension's default and the current
// user's choice.
void AssociateExtension(const char* extension, const char* type_name, const char* open_command,
                        const char* icon_value, int marked,
                        RegistryLayer& registry = SystemRegistry(),
                        UserChoice users_choice = UserChoice::kWrite);

// Reloads the system icons and tells the shell that associations changed.
void NotifyAssociationChange();

// Every registration of the catalogue in table order. A declined question
// (associations_confirmed 0) unmarks every row; associate decides the
// shell notification at the end.
void RunAssociationPass(const std::string& viewer_path, const std::string& open_command,
                        const int* association_marks, int associations_confirmed, int associate,
                        RegistryLayer& registry = SystemRegistry(),
                        UserChoice users_choice = UserChoice::kWrite);
