#include "engine/flow/setup_log.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "files/checked_files.h"
#include "rules/code_page_characters.h"

namespace {

// The start folder, ending in a backslash; empty until it is known, and the
// current directory is taken then.
std::string log_folder;

// Taken in UTF-16: a start folder such as a Downloads folder in a profile
// the code page cannot name is reached by its short name, never by a
// look-alike. Empty when it has no exact form.
std::string LogFolder() {
  if (!log_folder.empty()) return log_folder;
  wchar_t folder[MAX_PATH] = L"";
  const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
  std::string ansi;
  if (length == 0 || length >= MAX_PATH || !AnsiPathOf(folder, &ansi)) return "";
  return ansi;
}

// The log opened for appending: the real file at its name, or, where none
// stands, a fresh one moved to the name. The start folder is often one that
// others may write to, and the setup may run elevated: a link or a hard
// link placed at the name is never written through, and the run log names
// it. Empty when the log cannot be had.
ScopedHandle OpenSetupLog(CheckedFolder& folder) {
  // Two setups started at once may append to the same log.
  constexpr DWORD kAccess = FILE_APPEND_DATA | SYNCHRONIZE;
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
  std::string what;
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 2; ++attempt) {
    ScopedHandle log = folder.OpenExisting(kSetupLogName, kAccess, kShare, &what, &error);
    if (log) return log;
    if (error != ERROR_FILE_NOT_FOUND) break;
    ScopedHandle fresh = folder.CreateFresh(kAccess, kShare, &error);
    if (!fresh) break;
    log = folder.PlaceFresh(std::move(fresh), kSetupLogName, false, kAccess, kShare, &error);
    // Else another setup may have made the log meanwhile: append to that one.
    if (log) return log;
  }
  const std::string path = folder.path() + kSetupLogName;
  if (!what.empty()) {
    TheRunLog().Note("setup log refused: " + path + " is " + what + ", not written through");
  } else {
    TheRunLog().NoteFailure("setup log cannot be opened: " + path, error);
  }
  return ScopedHandle();
}

}  // namespace

void TakeSetupLogFolder() {
  log_folder = LogFolder();
  if (!log_folder.empty() &&
      !CodePageCharacters::Of(SystemAnsiCodePage()).EndsWith(log_folder, '\\')) {
    log_folder += '\\';
  }
}

void WriteSetupLog(const char* message) {
  CheckedFolder folder;
  DWORD error = ERROR_SUCCESS;
  if (!folder.Hold(LogFolder(), &error)) {
    TheRunLog().NoteFailure("setup log's folder cannot be held: " + LogFolder(), error);
    return;
  }
  ScopedHandle log = OpenSetupLog(folder);
  if (!log) return;

  char date[256] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  SYSTEMTIME now;
  GetLocalTime(&now);
  char time[16] = "";
  std::snprintf(time, sizeof time, "%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
  const std::string entry = std::string(date) + " - " + time + ": " + message +
                            "\n------------------------------------------------\n";
  // A text file: every line feed, also those inside the message, becomes
  // CR LF.
  std::string text;
  text.reserve(entry.size() + 8);
  for (const char c : entry) {
    if (c == '\n') text += '\r';
    text += c;
  }
  // Opened for appending only: each write lands at the file's end, also
  // when another setup appended meanwhile.
  DWORD written = 0;
  WriteFile(log.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
