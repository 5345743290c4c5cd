// Not a test: walks the real wizard through its pages and saves a bitmap of
// each one, so that the look can be reviewed (tools/wizard-screenshots.sh).
// It installs into the default folder on the way, with the image formats
// marked, so that the ready page is taken once more while the wait label
// shows (behind the association question) and the finish page after a real
// installation.
//   wizard_screens.exe --setup=<setup> --out=<windows folder>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/scratch.h"
#include "support/setup_process.h"
#include "support/wizard_driver.h"

namespace {

constexpr int kMarkImages = 1091;
constexpr int kShowFaqBox = 1022;
constexpr int kStartViewerBox = 1020;

std::string g_out = ".";

void Save(HWND window, const char* name) {
  Sleep(300);  // let the window paint
  std::string path = g_out + "\\" + name + ".bmp";
  if (!SaveWindowBitmap(window, path)) std::fprintf(stderr, "cannot write %s\n", path.c_str());
}

int Fail(const char* what) {
  std::fprintf(stderr, "wizard_screens: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  SetSetupProgramFromArguments(argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--out=", 6) == 0) g_out = argv[i] + 6;
  }
  UseUnmanagedWindows();

  SetupLaunch launch;
  launch.command_line = SetupCommandLine("");
  StartedSetup setup(launch);
  WizardDriver wizard(setup.process_id());
  if (!setup.started() || !wizard.WaitForSheet()) return Fail("no wizard");
  const char* names[] = {"1-welcome", "2-whats-new", "3-associations", "4-ready"};
  for (int index = 0; index < 4; ++index) {
    if (index > 0) wizard.Press(kNext);
    if (!wizard.WaitForPage(index)) return Fail("a page was not reached");
    Save(wizard.sheet(), names[index]);
  }
  wizard.Press(kCancel);
  HWND box = wizard.WaitForMessageBox();
  if (box == nullptr) return Fail("no quit question");
  Save(box, "5-quit-question");
  if (!WizardDriver::Answer(box, IDNO)) return Fail("the quit question stayed after No");

  // Install with the image formats marked: the question about the
  // associations keeps the installation waiting while the label shows.
  wizard.Press(kBack);
  if (!wizard.WaitForPage(2)) return Fail("associations page not reached again");
  wizard.Click(kMarkImages);
  wizard.Press(kNext);
  if (!wizard.WaitForPage(3)) return Fail("ready page not reached again");
  wizard.Press(kNext);
  box = wizard.WaitForMessageBox(60000);
  if (box == nullptr) return Fail("no question about the associations");
  Save(wizard.sheet(), "6-installing");
  if (!WizardDriver::Answer(box, IDYES)) return Fail("the question about the associations stayed");
  if (!wizard.WaitForPage(4, 60000)) return Fail("finish page not reached");
  Save(wizard.sheet(), "7-finish");

  // Nothing is started from here: no browser, no viewer.
  wizard.Click(kShowFaqBox);
  wizard.Click(kStartViewerBox);
  wizard.Press(kCancel);
  return setup.WaitForExit(10000) == 0 ? 0 : 1;
}
