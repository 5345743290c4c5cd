// The one routine that installs the viewer, in wizard and in silent mode.
#pragma once

#include <windows.h>

#include "common/install_options.h"
#include "engine/flow/installation_outcome.h"
#include "engine/flow/installation_session.h"

// Installs with the given choices and reports a failure through session (a
// message box in wizard mode, the setup log in silent mode). One
// installation runs at a time: a second waits for the first. What came of
// it goes to outcome. 1 when the installation went through, 0 when it
// stopped at a reported failure.
int RunInstallation(const InstallOptions& options, InstallationSession& session,
                    InstallationOutcome& outcome);
