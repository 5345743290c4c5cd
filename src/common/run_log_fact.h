// One fact of the run log before it becomes a line of the file. Free of
// windows.h: the pure rules turn it into text.
#pragma once

#include <string>
#include <string_view>

struct RunLogFact {
  // The local time of the fact.
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  std::string_view text;
  // A Windows error that belongs to the fact (0: none; an HRESULT is kept
  // as its 32 bits) and the system's text for it.
  unsigned long windows_error = 0;
  std::string_view error_text;
};

// Turns a fact into the bytes of its line, line end included.
using RunLogFormatter = std::string (*)(const RunLogFact& fact);
