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
