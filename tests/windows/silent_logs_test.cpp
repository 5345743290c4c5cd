// The real setup program, started with "/silent": its log in the start
// folder (Pellumara_Install.log) and the run log of /log=.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "common/messages.h"
#include "common/product_version.h"
#include "engine/flow/setup_log.h"
#include "files/folder_protection.h"
#include "support/installation_checks.h"
#include "support/scratch.h"
#include "support/setup_process.h"
#include "support/silent_setup.h"

namespace {

class SilentLogs : public SilentSetup {};

TEST_F(SilentLogs, SecondRunAppendsBelowTheFirst) {
  EXPECT_EQ(RunWith("/silent /folder="), 2);
  EXPECT_EQ(RunWith("/silent /folder=Q:\\x"), 2);
  std::vector<LogEntry> entries = Log();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].message, FolderRejected(""));
  EXPECT_EQ(entries[1].message, FolderNotCreated("Q:\\x\\"));
}

// A run log asked for with a relative name lands in the start folder and
// tells every step; a second run starts it anew. The elevated first run
// creates the folder with the permissions of Program Files from its
// highest new level on; the second leaves the existing folder's alone.
TEST_F(SilentLogs, RunLogTellsEveryStepOfASuccessfulRun) {
  ScratchFolder parent("logged");
  const std::string target = parent / "Tools\\Pellumara";
  const std::string command_line = SetupCommandLine("/silent /folder=" + target + " /group=1 /S /log=run.log");
  for (const char* outcome : {"written", "replaced"}) {
    SCOPED_TRACE(outcome);
    EXPECT_EQ(Run(command_line), 0);
    const std::vector<std::string> facts = RunLogFacts(ReadFileBytes(start_ / "run.log"));
    ASSERT_GT(facts.size(), 10u);
    EXPECT_EQ(facts.front(), "Pellumara 64-bit setup " PELLUMARA_VERSION_TEXT);
    EXPECT_TRUE(HasFact(facts, "command line: " + command_line));
    EXPECT_TRUE(HasFact(facts, "mode: silent"));
    EXPECT_TRUE(HasFact(facts, "ignored, no option: /S"));
    EXPECT_TRUE(HasFact(facts, "target folder from: /folder="));
    EXPECT_TRUE(HasFact(facts, "target folder: \"" + target + "\""));
    EXPECT_TRUE(HasFact(facts, "target folder ready: " + target + "\\"));
    EXPECT_EQ(HasFact(facts, "folder created: " + parent / "Tools" +
                                 ", with the permissions of Program Files " + kProtectedFolderSddl),
              outcome == std::string("written"));
    EXPECT_TRUE(HasFactStartingWith(facts, "temporary archive: "));
    EXPECT_TRUE(HasFact(facts, std::string("entry p_mara64.exe: ") + outcome));
    EXPECT_TRUE(HasFactStartingWith(facts, "settings file written: " + target + "\\p_mara64.ini"));
    // Under a name the start-up sweep knows, should the run be killed.
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    EXPECT_TRUE(HasFactStartingWith(facts, std::string("settings work folder: ") + temp + "pmarag-"));
    EXPECT_TRUE(HasFactStartingWith(facts, "link made: "));
    EXPECT_TRUE(HasFact(facts, "registry: HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                               "Uninstall\\Pellumara64 DisplayVersion = \"" PELLUMARA_VERSION_TEXT "\""));
    EXPECT_TRUE(HasFact(facts, "temporary archive removed"));
    EXPECT_EQ(facts.back(), "exit code 0");
    EXPECT_FALSE(HasFactStartingWith(facts, "<no time stamp>"));
  }
  EXPECT_FALSE(FileExists(start_ / kSetupLogName));
  RemoveInstallation({target});
}

// ".." is resolved before any rule sees the folder: "C:\Program Files\.."
// is C:\, outside Program Files, so the folder made there gets their
// permissions, and the run log names it whole.
TEST_F(SilentLogs, DotDotOutOfProgramFilesIsResolvedBeforeTheRules) {
  const std::string target = "C:\\PellumaraDotDot\\Pell";
  EXPECT_EQ(Run(SetupCommandLine("/silent \"/folder=C:\\Program Files\\..\\PellumaraDotDot\\Pell\" "
                                 "/log=run.log")),
            0);
  const std::vector<std::string> facts = RunLogFacts(ReadFileBytes(start_ / "run.log"));
  EXPECT_TRUE(HasFact(facts, "target folder: \"" + target + "\""));
  EXPECT_TRUE(HasFact(facts, "folder created: C:\\PellumaraDotDot, with the permissions of "
                             "Program Files " + std::string(kProtectedFolderSddl)));
  EXPECT_TRUE(FileExists(target + "\\p_mara64.exe"));
  RemoveInstallation({"C:\\PellumaraDotDot"});
}

// An entry that cannot be put in place (a folder stands at its name): the
// run log names it with the Windows error, the German message, and ends
// with the exit code; the usual log keeps its entry.
TEST_F(SilentLogs, RunLogOfAFailedRunNamesTheEntryAndItsError) {
  ScratchFolder target("logged-failure");
  ASSERT_TRUE(CreateDirectoryA((target / "p_mara64.exe").c_str(), nullptr));
  const std::string log = start_ / "failure log.txt";
  EXPECT_EQ(RunWith("/silent /folder=" + target.path() + " /log=\"" + log + "\""), 3);
  const std::vector<std::string> facts = RunLogFacts(ReadFileBytes(log));
  ASSERT_FALSE(facts.empty());
  // The error of what failed, not one left over from earlier work: a folder
  // stands at the name.
  const std::string failed = "entry p_mara64.exe: failed: error 183";
  EXPECT_NE(std::find_if(facts.begin(), facts.end(),
                         [&](const std::string& fact) { return fact.rfind(failed, 0) == 0; }),
            facts.end());
  EXPECT_TRUE(HasFact(facts, "message: " + LoadMessage(IDS_INSTALL_FAILED)));
  EXPECT_EQ(facts.back(), "exit code 3");
  EXPECT_EQ(OnlyLogMessage(), PayloadFailed(target.path() + "\\"));
}

TEST_F(SilentLogs, LogThatCannotBeCreatedEndsWith1622AndInstallsNothing) {
  ScratchFolder parent("unlogged");
  EXPECT_EQ(RunWith("/silent /folder=" + parent.path() + "\\Pellumara /group=1 /log=Q:\\none\\run.log"),
            1622);
  const std::string message = OnlyLogMessage();
  const std::string text = LoadMessage(IDS_LOG_NOT_CREATED);
  EXPECT_EQ(message.substr(0, text.find("%d")), text.substr(0, text.find("%d"))) << message;
  const std::string named = ": Q:\\none\\run.log";
  ASSERT_GT(message.size(), named.size());
  EXPECT_EQ(message.substr(message.size() - named.size()), named);
  EXPECT_FALSE(FolderExists(parent / "Pellumara"));
  EXPECT_EQ(ApplicationOpenCommand(), "<missing>");
}

// A Downloads folder in the profile of "Şahin": the log is written there,
// by its short name, not into a look-alike that does not exist.
TEST_F(SilentLogs, RunStartedFromAFolderBeyondTheCodePageLogsThere) {
  ScratchFolder parent("log-names");
  const std::string downloads = parent / "\xc5\x9e" "ahin";  // UTF-8
  ASSERT_TRUE(CreateDirectoryW(WideOfUtf8(downloads).c_str(), nullptr));
  EXPECT_EQ(RunUtf8("/silent /folder=Pellumara", downloads), 2);
  EXPECT_EQ(ParseLog(ReadFileBytes(parent / "Sahin\\" + kSetupLogName)).size(), 0u);
  ScopedHandle log(CreateFileW(WideOfUtf8(downloads + "\\" + kSetupLogName).c_str(), GENERIC_READ,
                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(log) << "no setup log in the start folder";
  char bytes[4096];
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(log.Get(), bytes, sizeof bytes, &read, nullptr));
  const std::vector<LogEntry> entries = ParseLog(std::string(bytes, read));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].message, FolderRejected("Pellumara"));
}

TEST_F(SilentLogs, UnwritableLogChangesNothingElse) {
  CreateDirectoryA((start_ / kSetupLogName).c_str(), nullptr);
  EXPECT_EQ(RunWith("/silent /folder="), 2);
  EXPECT_TRUE(FolderExists(start_ / kSetupLogName));
}

}  // namespace
