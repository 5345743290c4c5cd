#include "engine/setup_log.h"

#include <windows.h>

#include <cstdio>

void WriteSetupLog(const char* message) {
  // Text mode: every line feed, also those inside the message, becomes CR LF.
  FILE* log = std::fopen(kSetupLogName, "a");
  if (log == nullptr) return;

  char date[256] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  SYSTEMTIME now;
  GetLocalTime(&now);
  std::fprintf(log, "%s - %02u:%02u:%02u: %s\n", date, now.wHour, now.wMinute, now.wSecond,
               message);
  std::fputs("------------------------------------------------\n", log);
  std::fclose(log);
}
