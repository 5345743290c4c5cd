// The one routine that installs the viewer, in wizard and in silent mode.
#pragma once

#include "common/install_options.h"

// How an installation ended; silent mode turns it into the exit code.
enum class InstallResult {
  kInstalled,               // went through
  kFolderRejected,          // target folder not absolute, or it could not be created
  kPayloadFailed,           // the archive could not be unpacked
  kRegistrationIncomplete,  // went through, but registry writes or links failed
};

// Installs with the given choices and reports a failure itself (message box
// in wizard mode, setup log in silent mode). 1 when the installation went
// through, 0 when it stopped at a reported failure.
int RunInstallation(const InstallOptions& options, InstallResult* result = nullptr);
