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

}  // namespace

// Declared extern "C" by delayimp.h; defined here instead of the runtime's empty one.
PfnDliHook __pfnDliFailureHook2 = DelayLoadFailed;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  CWinApp* app = CWinApp::Current();
  return app != nullptr ? app->RunApplication() : 1;
}
