#include "support/log_entries.h"

#include <windows.h>

#include <cctype>

namespace {

const std::string kSeparator = "\r\n------------------------------------------------\r\n";

bool IsTime(const std::string& text) {
  if (text.size() != 8 || text[2] != ':' || text[5] != ':') return false;
  for (std::size_t i : {0u, 1u, 3u, 4u, 6u, 7u}) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

std::string WithoutCarriageReturns(const std::string& text, bool* stray) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 >= text.size() || text[i + 1] != '\n') *stray = true;
      continue;
    }
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) *stray = true;
    out += text[i];
  }
  return out;
}

}  // namespace

std::vector<LogEntry> ParseLog(const std::string& log) {
  std::vector<LogEntry> entries;
  std::size_t at = 0;
  while (at < log.size()) {
    std::size_t end = log.find(kSeparator, at);
    std::size_t dash = log.find(" - ", at);
    if (end == std::string::npos || dash == std::string::npos || dash > end || dash + 13 > end ||
        log.compare(dash + 11, 2, ": ") != 0 || !IsTime(log.substr(dash + 3, 8))) {
      entries.push_back({"", "", "<malformed>" + log.substr(at)});
      return entries;
    }
    bool stray = false;
    LogEntry entry{log.substr(at, dash - at), log.substr(dash + 3, 8),
                   WithoutCarriageReturns(log.substr(dash + 13, end - dash - 13), &stray)};
    if (stray) entry.message = "<malformed>" + entry.message;
    entries.push_back(entry);
    at = end + kSeparator.size();
  }
  return entries;
}

std::string TodayShortDate() {
  char date[256] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  return date;
}
