// The main() of the test programs that drive the real wizard: they get the
// setup's path as --setup=<unix path>, and the same program, started as
// --record-address ADDRESS, stands in for the browser and the settings.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "support/address_recorder.h"
#include "support/setup_process.h"
#include "support/wizard_driver.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--record-address") == 0) {
    return RecordOpenedAddress(argv[2]);
  }
  ::testing::InitGoogleTest(&argc, argv);
  SetSetupProgramFromArguments(argc, argv);
  if (SetupProgram().empty()) {
    std::fprintf(stderr, "%s: pass --setup=<path of pellumara64-setup.exe>\n", argv[0]);
    return 2;
  }
  UseUnmanagedWindows();
  RedirectWebAddressesToThisProgram();
  return RUN_ALL_TESTS();
}
