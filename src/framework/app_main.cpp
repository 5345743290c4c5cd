// The process entry point of a program built on the application stand-in.
#include <windows.h>
#include <delayimp.h>

#include "common/exit_codes.h"
#include "framework/win_app.h"

namespace {

// Every system DLL but kernel32 and the C runtime is loaded on first use
// (cmake/delay-imports.cmake). One that cannot be loaded, or that lacks a
// function, ends the process at once with its own exit code: without the
// hook the loader's exception would end it with a crash report, a window
// even in a silent run.
FARPROC WINAPI DelayLoadFailed(unsigned, PDelayLoadInfo) {
  ExitProcess(kExitSystemLibraryMissing);
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
  if (set_default != nullptr) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryA("");
}

}  // namespace

// Declared extern "C" by delayimp.h; defined here instead of the runtime's empty one.
PfnDliHook __pfnDliFailureHook2 = DelayLoadFailed;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  CWinApp* app = CWinApp::Current();
  return app != nullptr ? app->RunApplication() : 1;
}
