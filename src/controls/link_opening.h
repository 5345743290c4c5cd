// Opening a link's address, with two fall-backs for a system whose shell
// will not open it.
#pragma once

// Through the desktop's shell (so that an elevated setup starts the browser
// as the user), else with ShellExecute, else with the command line of the
// ".htm" handler. Greater than 32 means success.
int OpenLinkAddress(const char* address, int show_command);
