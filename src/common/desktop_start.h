// Starting what the user asked for (the viewer, a web page, Windows'
// settings) as the user at the desktop. The setup runs elevated; a program
// it started itself would run elevated too: a web browser as administrator,
// a viewer that Explorer cannot drop files on.
#pragma once

#include <windows.h>

// True for an elevated administrator and for SYSTEM; false for a standard
// user and for an administrator whose token UAC has filtered.
bool RunsElevated();

enum class StartedBy { kDesktopShell, kThisProcess, kNothing };

// When this process runs elevated, asks the desktop's shell to open file
// (see below), so that it runs as the desktop's user. False when not
// elevated, or when no desktop shell answers (no Explorer runs): the
// caller starts it itself then.
bool StartThroughDesktopShell(const char* file, const char* parameters, const char* directory,
                              int show_command);

// Opens file (a program, a document or an address) with parameters (may be
// null) in directory (may be null). When this process runs elevated, the
// desktop's shell is asked to do it, so that it runs as the desktop's user,
// unelevated; where no desktop shell answers (no Explorer runs), and when
// not elevated, ShellExecuteA does it from here. The run log says which.
StartedBy StartAsDesktopUser(const char* file, const char* parameters, const char* directory,
                             int show_command);
