#pragma once

// True when the running Windows is at least major.minor with the given
// service pack (major, then minor, then service pack are compared).
bool IsWindowsVersionAtLeast(unsigned short major, unsigned short minor,
                             unsigned short service_pack_major);
