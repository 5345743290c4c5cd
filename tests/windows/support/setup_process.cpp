#include "support/setup_process.h"

#include <windows.h>

#include <cstdio>

#include <cstring>
#include <cwchar>
#include <map>

#include "support/scratch.h"

namespace {

std::string g_setup_program;

struct WindowSearch {
  DWORD process_id;
  std::vector<std::string>* seen;
};

BOOL CALLBACK CollectVisibleWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process_id || !IsWindowVisible(window)) return TRUE;
  char text[256] = "";
  if (GetWindowTextA(window, text, sizeof text) == 0) GetClassNameA(window, text, sizeof text);
  for (const std::string& known : *search->seen) {
    if (known == text) return TRUE;
  }
  search->seen->push_back(text);
  return TRUE;
}

// The current environment with the given entries (UTF-8) replaced or
// added, as a UTF-16 block: a value may hold what no code page can.
std::wstring EnvironmentBlock(const std::vector<std::string>& changes) {
  std::map<std::wstring, std::wstring> entries;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    std::wstring text = entry;
    std::size_t equals = text.find(L'=', 1);
    if (equals == std::wstring::npos) continue;
    entries[text.substr(0, equals)] = text;
  }
  FreeEnvironmentStringsW(block);
  for (const std::string& change : changes) {
    const std::wstring wide = WideOfUtf8(change);
    entries[wide.substr(0, wide.find(L'=', 1))] = wide;
  }
  std::wstring result;
  for (const auto& entry : entries) result += entry.second + L'\0';
  return result + L'\0';
}

// Starts the setup as the launch describes; false when it cannot be started.
bool Launch(const SetupLaunch& launch, PROCESS_INFORMATION& process) {
  auto wide = [&launch](const std::string& text) {
    if (launch.utf8) return WideOfUtf8(text);
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring result(length > 0 ? static_cast<std::size_t>(length) : 1u, L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &result[0], length);
    result.resize(result.size() - 1);
    return result;
  };
  std::wstring command_line = wide(launch.command_line);
  const std::wstring working_directory = wide(launch.working_directory);
  std::wstring environment = EnvironmentBlock(launch.environment);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  return CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(),
                        working_directory.empty() ? nullptr : working_directory.c_str(), &startup,
                        &process) != FALSE;
}

// Under Wine a start was once seen to fail at once on a loaded machine:
// a failed start is tried twice more, and its error shown. The process's
// handle, empty when it was not started; its id goes to process_id.
ScopedHandle LaunchTrying(const SetupLaunch& launch, unsigned long* process_id) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (attempt > 0) Sleep(200);
    PROCESS_INFORMATION process = {};
    if (Launch(launch, process)) {
      ScopedHandle thread(process.hThread);
      *process_id = process.dwProcessId;
      return ScopedHandle(process.hProcess);
    }
    std::fprintf(stderr, "setup not started: error %lu\n", GetLastError());
  }
  return {};
}

// Ends a process that is still running and waits for its end.
void EndProcess(HANDLE process) {
  TerminateProcess(process, 99);
  WaitForSingleObject(process, 5000);
}

}  // namespace

void SetSetupProgramFromArguments(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--setup=", 8) != 0) continue;
    std::string unix_path = argv[i] + 8;
    std::string windows_path = "Z:";
    for (char c : unix_path) windows_path += c == '/' ? '\\' : c;
    g_setup_program = windows_path;
  }
}

const std::string& SetupProgram() { return g_setup_program; }

std::string SetupCommandLine(const std::string& options) {
  return "\"" + g_setup_program + "\" " + options;
}

SetupRun RunSetup(const SetupLaunch& launch) {
  SetupRun run;
  unsigned long process_id = 0;
  ScopedHandle process = LaunchTrying(launch, &process_id);
  if (!process) return run;
  WindowSearch search = {process_id, &run.windows_seen};
  DWORD waited = 0;
  while (WaitForSingleObject(process.Get(), 20) == WAIT_TIMEOUT) {
    EnumWindows(CollectVisibleWindow, reinterpret_cast<LPARAM>(&search));
    waited += 20;
    if (waited >= launch.timeout_ms) {
      EndProcess(process.Get());
      break;
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(process.Get(), &code);
  run.exit_code = static_cast<int>(code);
  run.finished = waited < launch.timeout_ms;
  return run;
}

StartedSetup::StartedSetup(const SetupLaunch& launch)
    : process_(LaunchTrying(launch, &process_id_)) {}

StartedSetup::~StartedSetup() {
  if (!HasEnded()) EndProcess(process_.Get());
}

bool StartedSetup::HasEnded() const {
  return !process_ || WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0;
}

int StartedSetup::WaitForExit(unsigned timeout_ms) {
  if (!process_) return -1;
  if (WaitForSingleObject(process_.Get(), timeout_ms) != WAIT_OBJECT_0) {
    EndProcess(process_.Get());
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.Get(), &code);
  return static_cast<int>(code);
}
