// The setup log's entries, byte for byte.
#include "engine/flow/setup_log.h"

#include "common/run_log.h"
#include "files/checked_files.h"
#include "rules/run_log_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "support/log_entries.h"
#include "support/scratch.h"

namespace {

class SetupLog : public ::testing::Test {
 protected:
  void SetUp() override { SetCurrentDirectoryA(scratch_.path().c_str()); }
  void TearDown() override { SetCurrentDirectoryA("C:\\"); }
  std::string Log() const { return ReadFileBytes(scratch_ / kSetupLogName); }

  ScratchFolder scratch_{"setup-log"};
};

TEST_F(SetupLog, EntryIsDateTimeMessageAndSeparator) {
  WriteSetupLog("Ung\xFCltiges Zielverzeichnis!: ");
  std::vector<LogEntry> entries = ParseLog(Log());
  ASSERT_EQ(entries.size(), 1u) << Log();
  EXPECT_EQ(entries[0].date, TodayShortDate());
  EXPECT_EQ(entries[0].message, "Ung\xFCltiges Zielverzeichnis!: ");
}

TEST_F(SetupLog, LineBreaksInTheMessageBecomeCrLfAndOneSeparatorFollows) {
  WriteSetupLog("first\nsecond\n\nthird");
  std::string log = Log();
  ASSERT_GT(log.size(), 20u);
  std::string after_time = log.substr(log.find(": ", log.find(" - ")) + 2);
  EXPECT_EQ(after_time,
            "first\r\nsecond\r\n\r\nthird\r\n------------------------------------------------\r\n");
}

TEST_F(SetupLog, AppendsAndNeverTruncates) {
  WriteFileBytes(scratch_ / kSetupLogName, "earlier content\r\n");
  WriteSetupLog("one");
  WriteSetupLog("two");
  std::string log = Log();
  EXPECT_EQ(log.rfind("earlier content\r\n", 0), 0u);
  std::vector<LogEntry> entries = ParseLog(log.substr(17));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].message, "one");
  EXPECT_EQ(entries[1].message, "two");
}

TEST_F(SetupLog, UnopenableLogLosesTheEntrySilently) {
  const std::string in_the_way = scratch_ / kSetupLogName;  // a folder
  ASSERT_TRUE(CreateDirectoryA(in_the_way.c_str(), nullptr));
  WriteSetupLog("lost");
  // No other file took the entry, and none went into the folder.
  EXPECT_TRUE(FilesIn(scratch_.path()).empty());
  EXPECT_EQ(CountTree(in_the_way).files, 0);
  // Nor is it kept for later: the next log holds only the next entry.
  ASSERT_TRUE(RemoveDirectoryA(in_the_way.c_str()));
  WriteSetupLog("kept");
  std::vector<LogEntry> entries = ParseLog(Log());
  ASSERT_EQ(entries.size(), 1u) << Log();
  EXPECT_EQ(entries[0].message, "kept");
}

// The run log of /log=: an earlier file of the name is replaced, and each
// fact is in the file as soon as it is noted, so a killed run leaves
// everything up to its end.
TEST(RunLog, EachFactIsOnDiskAtOnceAndAnEarlierFileIsReplaced) {
  ScratchFolder scratch("run-log");
  const std::string path = scratch / "run.log";
  WriteFileBytes(path, "an earlier run\r\n");
  DWORD error = ERROR_GEN_FAILURE;
  ScopedHandle file = CreateFileInPlace(path, &error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
  RunLog log;
  log.Open(std::move(file), FormatRunLogLine);
  log.Note("first");
  std::string text = ReadFileBytes(path);
  ASSERT_EQ(text.size(), 24u + 7u) << text;
  EXPECT_EQ(text.substr(23), " first\r\n");

  log.NoteFailure("refused", ERROR_ACCESS_DENIED);
  text = ReadFileBytes(path);
  std::string system_text = SystemErrorText(ERROR_ACCESS_DENIED);
  ASSERT_FALSE(system_text.empty());
  system_text.erase(system_text.find_last_not_of(" \r\n") + 1);
  EXPECT_EQ(text.substr(text.find("\r\n") + 2 + 23), " refused: error 5: " + system_text + "\r\n");
  log.Close();
}

}  // namespace
