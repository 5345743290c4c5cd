// The main() of the test programs that start the real setup: they get its
// path as --setup=<unix path>.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/setup_process.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  SetSetupProgramFromArguments(argc, argv);
  if (SetupProgram().empty()) {
    std::fprintf(stderr, "%s: pass --setup=<path of pellumara64-setup.exe>\n", argv[0]);
    return 2;
  }
  return RUN_ALL_TESTS();
}
