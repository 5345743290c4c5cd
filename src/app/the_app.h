// The setup's application object: chooses wizard or silent mode once.
#pragma once

#include <windows.h>

#include "common/install_options.h"
#include "engine/flow/installation_session.h"
#include "framework/win_app.h"
#include "rules/option_reader.h"

class TheApp : public CWinApp {
 public:
  TheApp();
  BOOL InitInstance() override;

 private:
  void RunWizard();
  void RunSilent(const StartRequest& request);
  void ShowUsageText();
  void CreateHeadingFont();

  LOGFONTA log_font_ = {};  // scratch record while the heading font is built
};

// The one application object, constructed with the process.
TheApp& TheApplication();
