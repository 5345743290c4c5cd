// The setup's process exit codes, for administrators' deployment scripts.
#pragma once

enum ExitCode : int {
  kExitInstalled = 0,        // the installation went through
  kExitViewerRunning = 1,    // silent: the viewer was running, nothing installed
  kExitFolderRejected = 2,   // silent: target folder not absolute or not creatable
  kExitPayloadFailed = 3,    // silent: the viewer could not be unpacked
  kExitWizardCancelled = 4,  // wizard closed without an installation
  // silent: installed, but registry writes or links failed (a standard user,
  // a key whose rights refuse the write)
  kExitRegistrationIncomplete = 5,
  kExitSystemLibraryMissing = 6,  // a system DLL could not be loaded; the run stopped there
  // The log file asked for with /log= cannot be created; nothing installed.
  // The Windows Installer's code for the same case.
  kExitLogNotCreated = 1622,
};
