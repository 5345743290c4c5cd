// The base of the tests that start the real setup with "/silent": runs it
// from a scratch folder, reads its log back, and the helpers several groups
// of those tests share.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/scoped_win.h"
#include "engine/flow/setup_log.h"
#include "support/log_entries.h"
#include "support/scratch.h"
#include "support/setup_process.h"

// The application's open command, which some tests set as an earlier
// installation would have left it; removed after every test.
constexpr char kOpenCommandKey[] = "SOFTWARE\\Classes\\Pellumara\\shell\\open\\command";

class SilentSetup : public ::testing::Test {
 protected:
  // Runs the setup from the scratch folder and returns its exit code; every
  // run must end by itself and show no window.
  int Run(const std::string& command_line, std::vector<std::string> environment = {}) {
    SetupLaunch launch;
    launch.command_line = command_line;
    launch.working_directory = start_.path();
    launch.environment = std::move(environment);
    return Run(launch);
  }
  int Run(const SetupLaunch& launch) {
    SetupRun run = RunSetup(launch);
    EXPECT_TRUE(run.finished) << launch.command_line;
    EXPECT_TRUE(run.windows_seen.empty()) << "window: " << run.windows_seen.front();
    return run.exit_code;
  }
  int RunWith(const std::string& options) { return Run(SetupCommandLine(options)); }
  // Options and start folder in UTF-8, through the wide start of a process,
  // as Explorer and deployment tools start the setup.
  int RunUtf8(const std::string& options, const std::string& working_directory = "",
              std::vector<std::string> environment = {}) {
    SetupLaunch launch;
    launch.command_line = SetupCommandLine(options);
    launch.working_directory = working_directory.empty() ? start_.path() : working_directory;
    launch.environment = std::move(environment);
    launch.utf8 = true;
    return Run(launch);
  }

  std::vector<LogEntry> Log() const { return ParseLog(ReadFileBytes(start_ / kSetupLogName)); }
  // The one entry of the log; fails unless there is exactly one.
  std::string OnlyLogMessage() const {
    std::vector<LogEntry> entries = Log();
    EXPECT_EQ(entries.size(), 1u);
    if (entries.empty()) return "<no entry>";
    EXPECT_EQ(entries[0].date, TodayShortDate());
    return entries[0].message;
  }

  void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kOpenCommandKey); }

  ScratchFolder start_{"silent-start"};
  // A temporary folder that does not exist makes unpacking fail early.
  const std::vector<std::string> kNoTemp = {"TMP=Q:\\no-temp", "TEMP=Q:\\no-temp"};
};

// The log entries of a refused folder, a folder that could not be created
// and a failed unpacking.
std::string FolderRejected(const std::string& folder);
std::string FolderNotCreated(const std::string& folder);
std::string PayloadFailed(const std::string& folder);

// Closes handle after delay_ms, while the test goes on.
std::thread CloseLater(ScopedHandle handle, DWORD delay_ms);

// The facts of a run log without their time stamps, a message's own line
// breaks joined back; a line without the local ISO time in front shows as
// "<no time stamp>".
std::vector<std::string> RunLogFacts(const std::string& log);
bool HasFact(const std::vector<std::string>& facts, const std::string& fact);
bool HasFactStartingWith(const std::vector<std::string>& facts, const std::string& start);

// A machine key that everybody may read but nobody may write to, the way a
// standard user meets every machine key. The setup runs as administrator
// under Wine, so only the key's own rights can refuse its writes. The key
// may still be deleted.
class ReadOnlyMachineKey {
 public:
  explicit ReadOnlyMachineKey(const char* path);
  // A key of its own is removed; a key of the system gets its rights back.
  ~ReadOnlyMachineKey();
  ReadOnlyMachineKey(const ReadOnlyMachineKey&) = delete;
  ReadOnlyMachineKey& operator=(const ReadOnlyMachineKey&) = delete;

  // Whether a write is really refused now.
  bool Refuses() const;

 private:
  const char* path_;
  bool restricted_ = false;
  bool created_ = false;
  bool saved_ = false;
  BYTE original_[4096];
};
