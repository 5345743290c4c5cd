// A DLL that tests place beside the setup under the names of system DLLs.
// When it is loaded, it leaves a marker file beside itself ("<path>.loaded")
// and refuses to stay, so that the loader falls back to the real one.
#include <windows.h>

#include "common/scoped_win.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char marker[MAX_PATH + 16];
  DWORD length = GetModuleFileNameA(instance, marker, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return FALSE;
  lstrcatA(marker, ".loaded");
  ScopedHandle file(CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return FALSE;
}
