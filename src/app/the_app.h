// The setup's application object: chooses wizard or silent mode once.
#pragma once

#include <windows.h>

#include "common/install_options.h"
#include "framework/win_app.h"

class TheApp : public CWinApp {
 public:
  TheApp();
  BOOL InitInstance() override;

 private:
  void RunWizard();
  void RunSilent(const char* raw, const char* command_line);
  bool RefuseCutFolder(const char* raw, const char* command_line, const InstallOptions& options);
  void ShowUsageText();
  void CreateHeadingFont();

  LOGFONTA log_font_ = {};  // scratch record while the heading font is built
};
