#include "framework/win_app.h"

CWinApp::CWinApp(const char* app_name) : app_name_(app_name) {}

CWinApp::~CWinApp() = default;

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return exit_code_; }

int CWinApp::RunApplication() {
  // The setup has no message loop of its own: a FALSE start-up, the only
  // kind it has, goes straight to the exit.
  InitInstance();
  return ExitInstance();
}

