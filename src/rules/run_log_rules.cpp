#include "rules/run_log_rules.h"

#include <cstdio>

#include "rules/option_reader.h"

namespace {

constexpr std::size_t kStampSize = 32;
// Windows error codes are below this; anything larger is an HRESULT,
// which reads better in hexadecimal.
constexpr unsigned long kLargestWin32Error = 0xFFFF;

// The text with each line break continued on a tab-indented line; a CR
// before a line feed is dropped, so every line ends in exactly one CR LF.
void AppendFolded(std::string& line, std::string_view text) {
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      line += "\r\n\t";
    } else {
      line += c;
    }
  }
}

// The system's text for an error on one line, without the line end and
// the blanks the system puts after it.
void AppendErrorText(std::string& line, std::string_view text) {
  std::size_t end = text.find_last_not_of(" \r\n\t");
  if (end == std::string_view::npos) return;
  line += ": ";
  for (char c : text.substr(0, end + 1)) line += (c == '\r' || c == '\n') ? ' ' : c;
}

const char* YesNo(int value) { return value ? "yes" : "no"; }

}  // namespace

std::string FormatRunLogLine(const RunLogFact& fact) {
  char stamp[kStampSize];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%03d ", fact.year, fact.month,
                fact.day, fact.hour, fact.minute, fact.second, fact.millisecond);
  std::string line = stamp;
  AppendFolded(line, fact.text);
  if (fact.windows_error != 0) {
    char number[kStampSize];
    std::snprintf(number, sizeof number,
                  fact.windows_error > kLargestWin32Error ? ": error 0x%08lX" : ": error %lu",
                  fact.windows_error);
    line += number;
    AppendErrorText(line, fact.error_text);
  }
  line += "\r\n";
  return line;
}

const char* EntryOutcomeText(EntryOutcome outcome) {
  switch (outcome) {
    case EntryOutcome::kWritten: return "written";
    case EntryOutcome::kReplaced: return "replaced";
    case EntryOutcome::kKeptReadOnly: return "kept read-only";
    case EntryOutcome::kReplacedAtRestart: return "replaced at restart";
    case EntryOutcome::kFailed: return "failed";
  }
  return "failed";
}

std::string DescribeEntryOutcome(std::string_view name, EntryOutcome outcome,
                                 bool has_windows_error, int archive_error) {
  std::string text = "entry " + std::string(name) + ": " + EntryOutcomeText(outcome);
  if (outcome == EntryOutcome::kFailed && !has_windows_error && archive_error != 0) {
    text += " (unpacking error " + std::to_string(archive_error) + ")";
  }
  return text;
}

std::string FolderOriginText(FolderOrigin origin) {
  switch (origin) {
    case FolderOrigin::kOption: return kFolderOption;
    case FolderOrigin::kEarlierInstallation: return "the earlier installation";
    case FolderOrigin::kDefault: return "the default";
  }
  return "the default";
}

std::vector<std::string> DescribeOptions(const InstallOptions& options) {
  int marked = 0;
  for (int mark : options.association_marks) marked += mark != 0;
  std::vector<std::string> lines;
  lines.push_back(std::string("target folder: \"") + options.target_folder + "\"");
  lines.push_back(std::string("start menu group: ") + YesNo(options.start_menu_shortcut) +
                  ", desktop link: " + YesNo(options.desktop_shortcut) +
                  ", thumbnails link: " + YesNo(options.thumbnails_shortcut) +
                  ", links for all users: " + YesNo(options.all_users));
  lines.push_back(options.ini_folder[0] == '\0'
                      ? std::string("settings folder: the program folder")
                      : std::string("settings folder: \"") + options.ini_folder + "\"");
  lines.push_back(options.associate ? "associations: " + std::to_string(marked) + " of " +
                                          std::to_string(kFormatCount) + " formats"
                                    : std::string("associations: none"));
  return lines;
}
