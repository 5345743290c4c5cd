// The run log an administrator asks for with /log=: every fact of one run,
// in English, one line each, written as the run goes. Without /log= it is
// never opened and every call does nothing.
#pragma once

#include <string>
#include <string_view>

#include "common/run_log_fact.h"
#include "common/scoped_win.h"

class RunLog {
 public:
  // Writes the run into file, a file the caller created anew for it (open
  // for writing, readable by others while the run goes on).
  void Open(ScopedHandle file, RunLogFormatter formatter);
  bool active() const { return file_.IsValid(); }

  // One fact.
  void Note(std::string_view text);
  // One fact with the Windows error behind it, number and system text.
  void NoteFailure(std::string_view text, unsigned long windows_error);
  // A German message the run shows or logs, as it is.
  void NoteMessage(std::string_view german_text);
  void Close();

 private:
  void Write(std::string_view text, unsigned long windows_error);

  ScopedHandle file_;
  RunLogFormatter formatter_ = nullptr;
};

// The process's one run log.
RunLog& TheRunLog();

// The system's text for a Windows error (or an HRESULT), in English where
// Windows has it, else in the user's language; empty when it has none.
std::string SystemErrorText(unsigned long windows_error);
