// The run log's lines (/log=): the facts of one run in English, each line
// starting with the local time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/install_options.h"
#include "common/run_log_fact.h"

// "2026-12-09T01:02:03.456 text", then ": error 5: <system text>" when the
// fact carries a Windows error, and CR LF. A line break inside the text (the
// German messages have some) continues the fact on a line that starts with
// a tab, so every line without a tab in front starts a fact.
std::string FormatRunLogLine(const RunLogFact& fact);

// What became of one file entry of the payload.
enum class EntryOutcome {
  kWritten,            // no file stood at its name
  kReplaced,           // an earlier file was replaced
  kKeptReadOnly,       // a read-only file stood there and was kept
  kReplacedAtRestart,  // Windows replaces the file when it restarts
  kFailed,             // the entry failed the run; nothing of it is in place
};
const char* EntryOutcomeText(EntryOutcome outcome);
// "entry <name>: <outcome>", and for a failure that no Windows error
// explains, the unpacking's own error code (the archive reader's, or -1).
std::string DescribeEntryOutcome(std::string_view name, EntryOutcome outcome,
                                 bool has_windows_error, int archive_error);

// Where the target folder of a silent run came from.
enum class FolderOrigin { kOption, kEarlierInstallation, kDefault };
std::string FolderOriginText(FolderOrigin origin);

// The choices an installation starts with, one line each.
std::vector<std::string> DescribeOptions(const InstallOptions& options);
