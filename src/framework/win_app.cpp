#include "framework/win_app.h"

namespace {
CWinApp* g_current_app = nullptr;
}

CWinApp::CWinApp(const char* app_name) : app_name_(app_name) { g_current_app = this; }

CWinApp::~CWinApp() {
  if (g_current_app == this) g_current_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return exit_code_; }

int CWinApp::RunApplication() {
  // The setup has no message loop of its own: a FALSE start-up, the only
  // kind it has, goes straight to the exit.
  InitInstance();
  return ExitInstance();
}

CWinApp* CWinApp::Current() { return g_current_app; }
