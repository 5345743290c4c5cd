#include "engine/flow/installation_session.h"

#include "common/messages.h"
#include "common/run_log.h"
#include "engine/flow/setup_log.h"
#include "rules/text_rules.h"

InstallationSession::InstallationSession(const InstallOptions& options, HWND owner)
    : silent_(options.silent != 0), owner_(silent_ ? nullptr : owner) {}

void InstallationSession::Fail(const std::string& message, const std::string& entry) {
  TheRunLog().NoteMessage(message);
  if (silent_) {
    WriteSetupLog(entry.c_str());
  } else {
    ShowTextBox(owner_, message, MB_ICONERROR);
  }
}

void InstallationSession::FailBecauseAnotherSetupRuns(unsigned long lock_error) {
  if (silent_) {
    LogForAdministrator(lock_error == 0 ? LoadMessage(IDS_ANOTHER_SETUP_RUNNING)
                                        : FillNumbers(LoadMessage(IDS_LOCK_NOT_MADE),
                                                      {static_cast<unsigned long long>(lock_error)}));
  } else {
    ShowMessage(owner_, IDS_INSTALL_FAILED, MB_ICONERROR);
  }
}

int InstallationSession::Tell(int id, UINT style) {
  if (silent_) return 0;
  return ShowMessage(owner_, id, style);
}

void InstallationSession::LogForAdministrator(const std::string& entry) {
  if (!silent_) return;
  TheRunLog().NoteMessage(entry);
  WriteSetupLog(entry.c_str());
}
