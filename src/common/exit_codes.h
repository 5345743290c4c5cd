// The setup's process exit codes, for administrators' deployment scripts.
#pragma once

enum ExitCode : int {
  kExitInstalled = 0,        // the installation went through
  kExitViewerRunning = 1,    // silent: the viewer was running, nothing installed
  kExitFolderRejected = 2,   // silent: target folder empty or not creatable
  kExitPayloadFailed = 3,    // silent: the viewer could not be unpacked
  kExitWizardCancelled = 4,  // wizard closed without an installation
  kExitSystemLibraryMissing = 6,  // a system DLL could not be loaded; the run stopped there
};
