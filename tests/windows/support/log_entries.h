// Reading the setup log back in tests.
#pragma once

#include <string>
#include <vector>

struct LogEntry {
  std::string date;
  std::string time;     // HH:MM:SS
  std::string message;  // line breaks as the setup passed them (LF)
};

// Splits a log into its entries. Every entry must have the exact form
// "<date> - HH:MM:SS: <message>\r\n" followed by the 48-hyphen line; a log
// that deviates anywhere gives an entry whose message starts with
// "<malformed>" so that the test fails with the rest of the log.
std::vector<LogEntry> ParseLog(const std::string& log);

// Today's date as GetDateFormatA gives it for the user's short format.
std::string TodayShortDate();
