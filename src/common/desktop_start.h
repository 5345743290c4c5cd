// Starting what the user asked for (the viewer, a web page, Windows'
// settings) as the user at the desktop. The setup runs elevated; a program
// it started itself would run elevated too: a web browser as administrator,
// a viewer that Explorer cannot drop files on.
#pragma once

#include <windows.h>

// True for an elevated administrator and for SYSTEM; false for a standard
// user and for an administrator whose token UAC has filtered. A thread
// that acts as another user is asked about that user's token.
bool RunsElevated();

// True when this process runs as LocalSystem (its token's user is
// S-1-5-18), as deployment tools start a setup: then the current user's
// profile, desktop, Start menu and registry hive are SYSTEM's own, which
// no person at the machine ever sees.
bool RunsAsLocalSystem();

enum class StartedBy {
  kDesktopShell,  // by the desktop's shell, as its user
  kThisProcess,   // by this process, which does not run elevated
  kNothing,       // it could not be started
  kWithheld,      // elevated, and no desktop shell answers: not started
};

// Opens file (a program, a document or an address) with parameters (may be
// null) in directory (may be null). When this process runs elevated, the
// desktop's shell is asked to do it, so that it runs as the desktop's user,
// unelevated; where no desktop shell answers (no Explorer runs, another
// shell, a session of SYSTEM's) nothing is started: a browser or viewer
// with the setup's rights, and their file dialogs, would hand them to
// whoever uses them. When not elevated, ShellExecuteA does it from here.
// The run log says which.
StartedBy StartAsDesktopUser(const char* file, const char* parameters, const char* directory,
                             int show_command);
