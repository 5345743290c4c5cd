// The payload's libraries (the language library and the plug-ins) are copies
// of this stand-in: a loadable DLL that names itself and does nothing else.
#include <windows.h>

extern "C" __declspec(dllexport) const char* PellumaraPluginName() {
  return "Pellumara payload stand-in library";
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
