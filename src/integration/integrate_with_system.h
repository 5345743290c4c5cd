// Making the unpacked viewer part of Windows: shortcuts, verbs, program
// registration, uninstall entry and file associations.
#pragma once

#include "integration/integration_request.h"
#include "integration/registry_layer.h"

// Does every step of request in order whatever fails on the way; nothing of
// it is reported to the user. Every link is made before the first registry
// write, every registry write goes through registry.
IntegrationResult IntegrateWithSystem(const IntegrationRequest& request,
                                      RegistryLayer& registry = SystemRegistry());
