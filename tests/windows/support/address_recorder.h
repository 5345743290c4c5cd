// The test program as the web browser and Windows' settings: the addresses
// the setup opens come to it, and it notes them in a file.
#pragma once

// Where every opened address is noted, one a line.
constexpr char kOpenedAddresses[] = "C:\\pellumara-tests\\opened-addresses.txt";

// The program's own part when started with --record-address ADDRESS.
int RecordOpenedAddress(const char* address);

// Web and settings addresses that the setup opens come to this program
// instead of a browser, which Wine would look for on the host: nothing
// starts outside the prefix and the test sees what was opened.
void RedirectWebAddressesToThisProgram();

// Waits until no stand-in browser (another process of this test program)
// runs: each one has noted its address by then. The setup has a browser
// started before its call to start one returns, so once the setup has
// ended, or has passed the point where it would have opened an address,
// an address it opened is either noted or being noted by a stand-in that
// still runs: what kOpenedAddresses holds afterwards is final. False when
// a stand-in keeps running.
[[nodiscard]] bool WaitUntilNoStandInBrowserRuns(unsigned timeout_ms = 10000);

// How many processes of the stand-in viewer (p_mara64.exe) run. A viewer
// the setup starts runs from before the setup's call returns until its
// window is closed.
int RunningViewers();
