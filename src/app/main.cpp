// The process entry point: the library search restricted before anything
// else runs, then the application's start-up, read top to bottom.
#include <windows.h>
#include <delayimp.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "common/exit_codes.h"
#include "common/run_log.h"
#include "app/the_app.h"

namespace {

// Every system DLL but kernel32 and the C runtime is loaded on first use
// (cmake/delay-imports.cmake). One that cannot be loaded, or that lacks a
// function, ends the process at once with its own exit code: without the
// hook the loader's exception would end it with a crash report, a window
// even in a silent run.
FARPROC WINAPI DelayLoadFailed(unsigned, PDelayLoadInfo info) {
  if (info != nullptr && info->szDll != nullptr) {
    TheRunLog().Note(std::string("system library cannot be loaded: ") + info->szDll);
  }
  TheRunLog().Note("exit code " + std::to_string(kExitSystemLibraryMissing));
  ExitProcess(kExitSystemLibraryMissing);
}

// Libraries that Windows' own DLLs load by name, on demand, while the setup
// runs: comctl32 draws the wizard with msimg32 and uxtheme, shell32 brings
// shlwapi and shcore along for links and special folders, user32 loads
// imm32. Such a load happens inside the system DLL after start-up, and not
// every one keeps to the search restriction below (under Wine a planted
// msimg32.dll beside the setup was loaded in the wizard); those that are no
// known DLLs of Windows are searched for by name. Loaded from the system
// folder first, each is in memory already when it is asked for. The list
// holds what wizard and silent runs load after start-up (found with
// WINEDEBUG=+loaddll) and what Windows' own DLLs load there on their own;
// one this Windows lacks is skipped. They stay loaded for the process's
// life.
constexpr const char* kLibrariesLoadedOnDemand[] = {
    "msimg32.dll", "uxtheme.dll", "dwmapi.dll", "version.dll", "propsys.dll",
    "cryptbase.dll", "userenv.dll", "profapi.dll", "shcore.dll", "oleacc.dll",
    "winmm.dll", "textshaping.dll", "imm32.dll", "shlwapi.dll",
};

// Without SetDefaultDllDirectories (Windows 7 before its update) the
// LOAD_LIBRARY_SEARCH flags are refused: each library is named by its full
// path in the system folder instead.
// The system folder is taken and used in UTF-16: its name is never
// converted to the code page.
void PreloadSystemLibraries(bool search_flags_known) {
  wchar_t system_folder[MAX_PATH] = L"";
  UINT length = search_flags_known ? 0 : GetSystemDirectoryW(system_folder, MAX_PATH);
  for (const char* name : kLibrariesLoadedOnDemand) {
    if (search_flags_known) {
      LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
      continue;
    }
    wchar_t path[MAX_PATH];
    const std::size_t name_size = std::strlen(name) + 1;
    if (length == 0 || length + 1 + name_size > MAX_PATH) return;
    std::wmemcpy(path, system_folder, length);
    path[length] = L'\\';
    // The names are ASCII.
    for (std::size_t at = 0; at < name_size; ++at) {
      path[length + 1 + at] = static_cast<wchar_t>(name[at]);
    }
    LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
}

// The setup is started from download folders and often elevated: DLLs come
// from the system folder only, never from beside the setup or the current
// directory. Every system DLL but kernel32 and the C runtime is loaded on
// its first use, and static constructors already call into user32 (the
// wizard's controls take their colours), so this runs before all of them:
// priority 101 is the first one open to programs.
// SetDefaultDllDirectories is looked up because Windows 7 has it only with
// an update.
__attribute__((constructor(101))) void RestrictLibrarySearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  const bool search_flags_known = set_default != nullptr && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryA("");
  PreloadSystemLibraries(search_flags_known);
}

}  // namespace

// Declared extern "C" by delayimp.h; defined here instead of the runtime's empty one.
PfnDliHook __pfnDliFailureHook2 = DelayLoadFailed;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return TheApplication().RunApplication(); }
