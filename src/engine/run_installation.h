// The one routine that installs the viewer, in wizard and in silent mode.
#pragma once

#include "common/install_options.h"

// How an installation ended; silent mode turns it into the exit code.
enum class InstallResult {
  kInstalled,               // went through
  kFolderRejected,          // target folder not absolute, or it could not be created
  kPayloadFailed,           // the archive could not be unpacked
  kIncomplete,           // went through, but a file was kept or registry writes or links failed
  kRestartRequired,      // went through; files in use are replaced at the restart
  kAnotherSetupRunning,  // another setup did not end in time; nothing was done
};

// Installs with the given choices and reports a failure itself (message box
// in wizard mode, setup log in silent mode). One installation runs at a
// time: a second waits for the first. 1 when the installation went
// through, 0 when it stopped at a reported failure.
int RunInstallation(const InstallOptions& options, InstallResult* result = nullptr);
