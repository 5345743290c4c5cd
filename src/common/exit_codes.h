// The setup's process exit codes, for administrators' deployment scripts.
#pragma once

enum ExitCode : int {
  kExitInstalled = 0,        // the installation went through
  kExitViewerRunning = 1,    // silent: the viewer was running, nothing installed
  kExitFolderRejected = 2,   // silent: target folder not absolute or not creatable
  kExitPayloadFailed = 3,    // silent: the viewer could not be unpacked
  kExitWizardCancelled = 4,  // wizard closed without an installation
  // silent: installed, but not everything was written; the log says what
  // (a read-only file kept, registry writes or links refused to a standard user)
  kExitIncomplete = 5,
  kExitSystemLibraryMissing = 6,  // a system DLL could not be loaded; the run stopped there
  // Windows Installer's codes, which deployment tools know:
  kExitAnotherSetupRunning = 1618,  // another setup held the machine for 10 minutes; nothing done
  kExitRestartRequired = 3010,      // installed; files in use are replaced at the restart
  // The log file asked for with /log= cannot be created; nothing installed.
  // The Windows Installer's code for the same case.
  kExitLogNotCreated = 1622,
};
