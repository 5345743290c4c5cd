#include "engine/setup_log.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "common/scoped_win.h"

namespace {

// The log's full path, or its bare name until the start folder is known.
std::string log_path = kSetupLogName;

}  // namespace

void TakeSetupLogFolder() {
  char folder[MAX_PATH] = "";
  DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return;
  log_path = folder;
  if (log_path.back() != '\\') log_path += '\\';
  log_path += kSetupLogName;
}

void WriteSetupLog(const char* message) {
  // Text mode: every line feed, also those inside the message, becomes CR LF.
  ScopedCFile log(std::fopen(log_path.c_str(), "a"));
  if (!log) return;

  char date[256] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  SYSTEMTIME now;
  GetLocalTime(&now);
  std::fprintf(log.Get(), "%s - %02u:%02u:%02u: %s\n", date, now.wHour, now.wMinute,
               now.wSecond, message);
  std::fputs("------------------------------------------------\n", log.Get());
}
