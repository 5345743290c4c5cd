// What the user and the administrator's script learn once an installation
// went through: what was not written, the restart, where Windows lets the
// user choose the default programs.
#pragma once

#include "engine/flow/installation_plan.h"
#include "engine/flow/installation_session.h"
#include "engine/flow/installation_outcome.h"

// Sets outcome.result from what the phases left unwritten and tells it:
// the setup log of a silent run, or the wizard's boxes.
void ReportInstallation(const InstallationPlan& plan, bool associations_confirmed,
                        InstallationSession& session, InstallationOutcome& outcome);
