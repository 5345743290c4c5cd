// The run log's start and end in the application: opening the file that
// /log= names, and the facts of the command line.
#pragma once

#include "rules/option_reader.h"

// Opens the run log when the command line asks for one, relative to the
// start directory, and notes the version, the raw command line, the mode
// and the text no option reads. True when no log was asked for or it is
// open; false after reporting that it cannot be created (a setup-log entry,
// and a message box unless silent): the run then installs nothing.
bool StartRunLog(const StartRequest& request);

// The last line, "exit code N", and the file closed.
void FinishRunLog(int exit_code);
