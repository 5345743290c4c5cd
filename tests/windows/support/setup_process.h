// Starting the real setup program from a test and watching it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/scoped_win.h"

// Set by main() from --setup=<unix path of pellumara64-setup.exe>.
void SetSetupProgramFromArguments(int argc, char** argv);
// The setup's path as Windows sees it (on Wine's Z: drive).
const std::string& SetupProgram();

struct SetupRun {
  int exit_code = -1;
  bool finished = false;
  // Titles (or classes) of visible top-level windows the process showed.
  std::vector<std::string> windows_seen;
};

struct SetupLaunch {
  std::string command_line;       // whole command line, program path included
  std::string working_directory;  // where the setup starts (and logs)
  // Extra environment entries "NAME=value" (UTF-8) that replace the
  // inherited ones.
  std::vector<std::string> environment;
  unsigned timeout_ms = 60000;
  // command_line and working_directory are UTF-8 (else in the code page),
  // for names that the code page cannot hold.
  bool utf8 = false;
};

// Runs the setup to its end, watching for windows it shows.
[[nodiscard]] SetupRun RunSetup(const SetupLaunch& launch);

// A setup started without waiting for it, for tests that drive its windows.
// The destructor ends a process that is still running.
class StartedSetup {
 public:
  explicit StartedSetup(const SetupLaunch& launch);
  ~StartedSetup();
  StartedSetup(const StartedSetup&) = delete;
  StartedSetup& operator=(const StartedSetup&) = delete;

  bool started() const { return process_.IsValid(); }
  unsigned long process_id() const { return process_id_; }
  bool HasEnded() const;
  // Waits for the end and returns the exit code; -1 when it did not end in
  // time (the process is then terminated).
  [[nodiscard]] int WaitForExit(unsigned timeout_ms);

 private:
  // Before process_, whose start sets it.
  unsigned long process_id_ = 0;
  ScopedHandle process_;
};

// The usual command line: the quoted program path, a blank, then options.
std::string SetupCommandLine(const std::string& options);
