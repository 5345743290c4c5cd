// The process entry point of a program built on the application stand-in.
#include <windows.h>

#include "framework/win_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  CWinApp* app = CWinApp::Current();
  return app != nullptr ? app->RunApplication() : 1;
}
