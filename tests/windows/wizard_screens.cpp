// Not a test: walks the real wizard through its pages and saves a bitmap of
// each one, so that the look can be reviewed (tools/wizard-screenshots.sh).
//   wizard_screens.exe --setup=<setup> --out=<windows folder>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/scratch.h"
#include "support/setup_process.h"
#include "support/wizard_driver.h"

int main(int argc, char** argv) {
  SetSetupProgramFromArguments(argc, argv);
  std::string out = ".";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--out=", 6) == 0) out = argv[i] + 6;
  }
  UseUnmanagedWindows();

  SetupLaunch launch;
  launch.command_line = SetupCommandLine("");
  StartedSetup setup(launch);
  WizardDriver wizard(setup.process_id());
  if (!setup.started() || !wizard.WaitForSheet()) {
    std::fprintf(stderr, "wizard_screens: no wizard\n");
    return 1;
  }
  const char* names[] = {"1-welcome", "2-whats-new", "3-associations", "4-ready"};
  for (int index = 0; index < 4; ++index) {
    if (index > 0) wizard.Press(kNext);
    if (!wizard.WaitForPage(index)) {
      std::fprintf(stderr, "wizard_screens: page %d not reached\n", index);
      return 1;
    }
    Sleep(300);  // let the page paint
    std::string path = out + "\\" + names[index] + ".bmp";
    if (!SaveWindowBitmap(wizard.sheet(), path)) std::fprintf(stderr, "cannot write %s\n", path.c_str());
  }
  wizard.Press(kCancel);
  if (HWND box = wizard.WaitForMessageBox()) {
    SaveWindowBitmap(box, out + "\\5-quit-question.bmp");
    WizardDriver::Answer(box, IDYES);
  }
  return setup.WaitForExit(10000) == 4 ? 0 : 1;
}
