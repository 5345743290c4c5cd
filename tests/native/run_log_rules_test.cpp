#include "rules/run_log_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

RunLogFact At(std::string_view text) {
  RunLogFact fact;
  fact.year = 2026;
  fact.month = 12;
  fact.day = 9;
  fact.hour = 1;
  fact.minute = 2;
  fact.second = 3;
  fact.millisecond = 45;
  fact.text = text;
  return fact;
}

TEST(FormatRunLogLine, LocalIsoTimeTextAndCrLf) {
  EXPECT_EQ(FormatRunLogLine(At("mode: silent")), "2026-12-09T01:02:03.045 mode: silent\r\n");
}

TEST(FormatRunLogLine, LineBreaksContinueTheFactOnIndentedLines) {
  EXPECT_EQ(FormatRunLogLine(At("message: Fehler!\n\n\xDC" "berpr\xFC" "fen\r\nEnde")),
            "2026-12-09T01:02:03.045 message: Fehler!\r\n\t\r\n\t\xDC" "berpr\xFC" "fen\r\n\tEnde\r\n");
}

TEST(FormatRunLogLine, WindowsErrorWithItsTextOnTheSameLine) {
  RunLogFact fact = At("entry p_mara64.exe: failed");
  fact.windows_error = 5;
  fact.error_text = "Access is denied.\r\n";
  EXPECT_EQ(FormatRunLogLine(fact),
            "2026-12-09T01:02:03.045 entry p_mara64.exe: failed: error 5: Access is denied.\r\n");
  fact.windows_error = 0x80070005;
  fact.error_text = "";
  EXPECT_EQ(FormatRunLogLine(fact),
            "2026-12-09T01:02:03.045 entry p_mara64.exe: failed: error 0x80070005\r\n");
  fact.windows_error = 0;
  fact.error_text = "ignored without an error";
  EXPECT_EQ(FormatRunLogLine(fact), "2026-12-09T01:02:03.045 entry p_mara64.exe: failed\r\n");
}

TEST(DescribeEntryOutcome, UnpackingErrorOnlyWhereNoWindowsErrorExplains) {
  EXPECT_EQ(DescribeEntryOutcome("Html/a.html", EntryOutcome::kReplaced, false, 0),
            "entry Html/a.html: replaced");
  EXPECT_EQ(DescribeEntryOutcome("a.dll", EntryOutcome::kFailed, false, -105),
            "entry a.dll: failed (unpacking error -105)");
  EXPECT_EQ(DescribeEntryOutcome("a.dll", EntryOutcome::kFailed, true, -1), "entry a.dll: failed");
}

TEST(DescribeOptions, CountsTheMarkedFormats) {
  InstallOptions options;
  options.associate = 1;
  options.association_marks[0] = 1;
  options.association_marks[5] = 1;
  options.association_marks[67] = 1;
  EXPECT_EQ(DescribeOptions(options).at(3), "associations: 3 of 68 formats");
}

}  // namespace
