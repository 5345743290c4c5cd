// The one routine that installs the viewer, in wizard and in silent mode:
// it carries out a plan made before, phase by phase.
#pragma once

#include "engine/flow/installation_plan.h"
#include "engine/flow/installation_session.h"
#include "engine/flow/installation_outcome.h"

// Carries out plan and reports a failure through session (a message box in
// wizard mode, the setup log in silent mode). One installation runs at a
// time: a second waits for the first. The phases, each ending the
// installation when it fails: the machine's lock, the target folder, the
// unpacking, then the settings, the integration and the report, which
// always run once the viewer is unpacked.
InstallationOutcome RunInstallation(const InstallationPlan& plan, InstallationSession& session);

// Whether an installation that ended so went through (perhaps incomplete
// or waiting for the restart), or stopped at a reported failure.
bool WentThrough(InstallResult result);
