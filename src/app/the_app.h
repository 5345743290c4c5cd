// The setup's application object: chooses wizard or silent mode once.
#pragma once

#include <windows.h>

#include "framework/win_app.h"

class TheApp : public CWinApp {
 public:
  TheApp();
  BOOL InitInstance() override;

 private:
  void RunWizard();
  void RunSilent();
  void CreateHeadingFont();

  LOGFONTA log_font_ = {};  // scratch record while the heading font is built
};
