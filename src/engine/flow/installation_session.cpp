#include "engine/flow/installation_session.h"

#include "common/messages.h"
#include "common/run_log.h"
#include "engine/flow/setup_log.h"
#include "rules/text_rules.h"

InstallationSession::InstallationSession(bool silent, HWND owner)
    : silent_(silent), owner_(silent ? nullptr : owner) {}

void InstallationSession::Fail(const std::string& message, const std::string& entry) {
  Fail(ShownText().Own(message), entry);
}

void InstallationSession::Fail(const ShownText& message, const std::string& entry) {
  TheRunLog().NoteMessage(message.bytes());
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

int InstallationSession::Ask(int id, UINT style, int silent_answer,
                             const std::string& what_no_means) {
  if (silent_) return silent_answer;
  const int answer = ShowMessage(owner_, id, style);
  TheRunLog().Note(answer == IDNO ? "answer: no, " + what_no_means : std::string("answer: yes"));
  return answer;
}

void InstallationSession::Hint(int id, UINT style, const std::function<void()>& then) {
  if (silent_) return;
  ShowMessage(owner_, id, style);
  if (then) then();
}

void InstallationSession::ReportIncomplete(const std::vector<std::string>& logged_parts,
                                           const std::vector<std::string>& shown_parts) {
  std::vector<ShownText> own_parts;
  for (const std::string& part : shown_parts) own_parts.push_back(ShownText().Own(part));
  ReportIncomplete(logged_parts, own_parts);
}

void InstallationSession::ReportIncomplete(const std::vector<std::string>& logged_parts,
                                           const std::vector<ShownText>& shown_parts) {
  if (silent_) {
    for (const std::string& part : logged_parts) LogForAdministrator(part);
    return;
  }
  if (shown_parts.empty()) return;
  ShownText text;
  for (const ShownText& part : shown_parts) {
    if (!text.bytes().empty()) text.Own("\n\n");
    text.Join(part);
  }
  TheRunLog().NoteMessage(text.bytes());
  ShowTextBox(owner_, text, MB_ICONWARNING);
}

void InstallationSession::LogForAdministrator(const std::string& entry) {
  if (!silent_) return;
  TheRunLog().NoteMessage(entry);
  WriteSetupLog(entry.c_str());
}
