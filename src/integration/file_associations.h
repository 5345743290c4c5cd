// Tying the catalogue's formats to the viewer: ProgIDs and capabilities for
// every format, the machine default and, where the rule lets it, the user's
// choice for marked ones.
#pragma once

#include <string>

#include "integration/integration_request.h"
#include "integration/registry_layer.h"
#include "rules/format_catalogue.h"

// The keys the pass holds open for all its registrations.
struct AssociationKeys {
  RegistryKey classes;       // HKLM\SOFTWARE\Classes
  RegistryKey capabilities;  // the capabilities' FileAssociations, where it already exists
};

// Registers one extension under the viewer's ProgID "Pellumara.<type_name>";
// the ProgID's keys and the capability are written when the registration
// introduces its type. Only when marked does it become the extension's
// default and, under AssociationRule::kUsersChoice, the current user's
// choice.
void AssociateExtension(const Registration& registration, bool introduces_type,
                        const char* open_command, const char* icon_value, bool marked,
                        AssociationRule rule, const AssociationKeys& keys,
                        RegistryLayer& registry);

// Reloads the system icons and tells the shell that associations changed.
void NotifyAssociationChange();

// Every registration of the catalogue in table order, with the request's
// marks and rule, for the viewer at viewer_path; the shell's notification at
// the end when the request asks for it.
void RunAssociationPass(const IntegrationRequest& request, const std::string& viewer_path,
                        RegistryLayer& registry = SystemRegistry());
