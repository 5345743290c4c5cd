#include "support/address_recorder.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "support/scratch.h"

int RecordOpenedAddress(const char* address) {
  CreateDirectoryA("C:\\pellumara-tests", nullptr);
  if (FILE* out = std::fopen(kOpenedAddresses, "ab")) {
    std::fprintf(out, "%s\n", address);
    std::fclose(out);
  }
  return 0;
}

void RedirectWebAddressesToThisProgram() {
  char self[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, sizeof self);
  const std::string command = std::string("\"") + self + "\" --record-address \"%1\"";
  for (const char* scheme : {"http", "https", "ms-settings"}) {
    const std::string key = std::string("SOFTWARE\\Classes\\") + scheme + "\\shell\\open";
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, (key + "\\ddeexec").c_str());
    SetRegistryString(HKEY_LOCAL_MACHINE, key + "\\command", nullptr, command);
  }
}
