#include "common/run_log.h"

#include <windows.h>

#include <utility>

namespace {

constexpr DWORD kErrorTextSize = 512;

}  // namespace

void RunLog::Open(ScopedHandle file, RunLogFormatter formatter) {
  file_ = std::move(file);
  formatter_ = formatter;
}

void RunLog::Note(std::string_view text) { Write(text, 0); }

void RunLog::NoteFailure(std::string_view text, unsigned long windows_error) {
  Write(text, windows_error);
}

void RunLog::NoteMessage(std::string_view german_text) {
  if (!active()) return;
  Write("message: " + std::string(german_text), 0);
}

void RunLog::Close() { file_.Close(); }

void RunLog::Write(std::string_view text, unsigned long windows_error) {
  if (!active() || formatter_ == nullptr) return;
  const DWORD saved_error = GetLastError();
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::string error_text = windows_error != 0 ? SystemErrorText(windows_error) : std::string();
  RunLogFact fact;
  fact.year = now.wYear;
  fact.month = now.wMonth;
  fact.day = now.wDay;
  fact.hour = now.wHour;
  fact.minute = now.wMinute;
  fact.second = now.wSecond;
  fact.millisecond = now.wMilliseconds;
  fact.text = text;
  fact.windows_error = windows_error;
  fact.error_text = error_text;
  const std::string line = formatter_(fact);
  // Each line goes to the system at once, unbuffered: a run that is killed
  // leaves every fact up to that moment.
  DWORD written = 0;
  WriteFile(file_.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  // Logging never changes what the caller reads from GetLastError next.
  SetLastError(saved_error);
}

RunLog& TheRunLog() {
  static RunLog log;
  return log;
}

std::string SystemErrorText(unsigned long windows_error) {
  char text[kErrorTextSize] = "";
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  DWORD length = FormatMessageA(flags, nullptr, windows_error,
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, sizeof text,
                                nullptr);
  // A German Windows may not carry the English texts.
  if (length == 0) {
    length = FormatMessageA(flags, nullptr, windows_error, 0, text, sizeof text, nullptr);
  }
  return std::string(text, length < sizeof text ? length : 0);
}
