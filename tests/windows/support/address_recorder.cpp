#include "support/address_recorder.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>

#include "common/scoped_win.h"
#include "support/scratch.h"
#include "support/waiting.h"

namespace {

// The processes other than this one whose program file has the name
// (without its folder, any case).
int OtherProcessesNamed(const std::string& name) {
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return -1;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32First(snapshot.Get(), &entry); more;
       more = Process32Next(snapshot.Get(), &entry)) {
    if (entry.th32ProcessID != GetCurrentProcessId() &&
        lstrcmpiA(entry.szExeFile, name.c_str()) == 0) {
      ++count;
    }
  }
  return count;
}

std::string OwnProgramName() {
  char self[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, sizeof self);
  const std::string path = self;
  return path.substr(path.find_last_of('\\') + 1);
}

}  // namespace

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

bool WaitUntilNoStandInBrowserRuns(unsigned timeout_ms) {
  const std::string own = OwnProgramName();
  return WaitUntil([&] { return OtherProcessesNamed(own) == 0; }, timeout_ms);
}

int RunningViewers() { return OtherProcessesNamed("p_mara64.exe"); }
