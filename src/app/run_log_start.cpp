#include "app/run_log_start.h"

#include <string>
#include <utility>

#include "common/ansi_path.h"
#include "common/messages.h"
#include "common/product_version.h"
#include "common/run_log.h"
#include "engine/flow/setup_log.h"
#include "files/checked_files.h"
#include "rules/option_reader.h"
#include "rules/run_log_rules.h"
#include "rules/text_rules.h"

namespace {

// The full path of the file /log= names, or the Windows error that stands
// against it: a value the reader may have cut, an empty one, or one whose
// full path does not fit.
DWORD LogFilePath(const StartRequest& request, char (&full)[kPathSize]) {
  if (request.log_value_cut) return ERROR_FILENAME_EXCED_RANGE;
  if (request.log_value[0] == '\0') return ERROR_INVALID_NAME;
  if (request.log_value_inexact) return ERROR_NO_UNICODE_TRANSLATION;
  // Nothing has changed the current directory yet: it is the directory the
  // setup was started in, and a relative name is taken from there.
  std::string path;
  if (!FullAnsiPathOf(request.log_value, &path)) return ERROR_NO_UNICODE_TRANSLATION;
  if (!CopyBounded(full, sizeof full, path)) return ERROR_FILENAME_EXCED_RANGE;
  // The setup may run elevated: whatever stands at the name, a link
  // included, is replaced by a file of its own, never written through.
  DWORD error = ERROR_SUCCESS;
  ScopedHandle file = CreateFileInPlace(full, &error);
  if (file) TheRunLog().Open(std::move(file), FormatRunLogLine);
  return error;
}

void ReportLogNotCreated(const char* value, DWORD error, bool silent) {
  std::string message = FillNumbers(LoadMessage(IDS_LOG_NOT_CREATED), {error});
  // A name the code page cannot hold would be written as another file.
  if (error == ERROR_NO_UNICODE_TRANSLATION) {
    message += "\n\n" + LoadMessage(IDS_NAME_BEYOND_CODE_PAGE);
  }
  WriteSetupLog((message + ": " + value).c_str());
  // The value is a name in the system's code page, the message the setup's.
  if (!silent) ShowTextBox(nullptr, ShownText().Own(message + "\n\n").Name(value), MB_ICONERROR);
}

const char* ModeText(StartMode mode) {
  switch (mode) {
    case StartMode::kUsageText: return "usage text";
    case StartMode::kSilent: return "silent";
    case StartMode::kWizard: return "wizard";
  }
  return "wizard";
}

void NoteCommandLine(const StartRequest& request) {
  RunLog& log = TheRunLog();
  log.Note("Pellumara 64-bit setup " PELLUMARA_VERSION_TEXT);
  log.Note("command line: " + request.raw);
  log.Note(std::string("mode: ") + ModeText(request.mode));
  if (request.line_cut) {
    log.Note("the command line is longer than 519 characters: the rest is not read");
  }
  for (const std::string& text : request.unread) log.Note("ignored, no option: " + text);
}

}  // namespace

bool StartRunLog(const StartRequest& request) {
  if (!request.log_asked) return true;
  char full[kPathSize] = "";
  const DWORD error = LogFilePath(request, full);
  if (error != ERROR_SUCCESS) {
    ReportLogNotCreated(full[0] != '\0' ? full : request.log_value, error,
                        request.mode == StartMode::kSilent);
    return false;
  }
  NoteCommandLine(request);
  TheRunLog().Note(std::string("log file: ") + full);
  return true;
}

void FinishRunLog(int exit_code) {
  TheRunLog().Note("exit code " + std::to_string(exit_code));
  TheRunLog().Close();
}
