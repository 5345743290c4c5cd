#pragma once

// True when the running Windows is at least major.minor with the given
// service pack (major, then minor, then service pack are compared).
bool IsWindowsVersionAtLeast(unsigned short major, unsigned short minor,
                             unsigned short service_pack_major);

// Windows 8 or later (6.2): there each user chooses the default programs
// in the system's settings, and programs are removed through the system's
// own list.
bool IsWindows8OrLater();
