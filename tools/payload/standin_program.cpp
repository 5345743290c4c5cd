// The payload's helper programs (pm_uninstall.exe and the plug-in programs)
// are copies of this stand-in: it says what it stands in for and changes
// nothing.
#include <windows.h>

#include <cstdio>

int main() {
  char path[MAX_PATH] = "";
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  const char* name = path;
  for (DWORD i = 0; i < length && i < sizeof path; ++i) {
    if (path[i] == '\\' || path[i] == '/') name = path + i + 1;
  }
  std::printf("%s stands in for the Pellumara program of that name; it changes nothing.\n", name);
  return 0;
}
