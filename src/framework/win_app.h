// A small stand-in for the framework's application class: one application
// object per process, whose RunApplication the program's entry point calls.
#pragma once

#include <windows.h>

class CWnd;

class CWinApp {
 public:
  explicit CWinApp(const char* app_name = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Start-up. Returning FALSE ends the application right away.
  virtual BOOL InitInstance();
  // The value the process exits with.
  virtual int ExitInstance();

  // Runs the application: InitInstance, then ExitInstance.
  int RunApplication();

  CWnd* m_pMainWnd = nullptr;  // the window whose end ends the application

 protected:
  const char* app_name_;
  int exit_code_ = 0;
};
