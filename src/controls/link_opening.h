// Opening a link's address, with two fall-backs for a system whose shell
// will not open it.
#pragma once

constexpr int kLinkOpened = 33;
constexpr int kLinkNotOpened = 0;
// The elevated setup found no desktop shell to open it as the user: it
// showed the address in a box instead.
constexpr int kLinkAddressShown = -1;

// Through the desktop's shell when elevated (so that the browser runs as
// the user, never with the setup's rights), else with ShellExecute, else
// with the command line of the ".htm" handler. Greater than 32 means
// success.
int OpenLinkAddress(const char* address, int show_command);
