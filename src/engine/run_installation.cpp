#include "engine/run_installation.h"

#include <windows.h>

#include <string>

#include "engine/message_owner.h"
#include "engine/messages.h"
#include "engine/payload_extraction.h"
#include "engine/setup_log.h"
#include "engine/viewer_settings.h"
#include "integration/folder_chain.h"
#include "integration/integrate_with_system.h"
#include "rules/text_rules.h"

namespace {

// Wizard mode shows the message; silent mode logs "first: second".
void ReportFailure(const InstallOptions& options, const std::string& caption,
                   const std::string& message, const std::string& first,
                   const std::string& second) {
  if (options.silent) {
    WriteSetupLog((first + ": " + second).c_str());
  } else {
    MessageBoxA(MessageOwner(), message.c_str(), caption.c_str(), MB_ICONERROR);
  }
}

// Message 12 with the number of failed entries in place of its "%d".
std::string RegistrationIncompleteText(int failed_entries) {
  std::string text = LoadMessage(IDS_REGISTRATION_INCOMPLETE);
  const std::size_t placeholder = text.find("%d");
  if (placeholder != std::string::npos) {
    text.replace(placeholder, 2, std::to_string(failed_entries));
  }
  return text;
}

int Stop(InstallResult* result, InstallResult why) {
  if (result != nullptr) *result = why;
  return 0;
}

int ConfirmAssociations(const InstallOptions& options, const std::string& caption) {
  if (!options.associate || options.silent) return 1;
  std::string question = LoadMessage(IDS_CONFIRM_ASSOCIATIONS);
  int answer = MessageBoxA(MessageOwner(), question.c_str(), caption.c_str(),
                           MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  return answer == IDNO ? 0 : 1;
}

}  // namespace

int RunInstallation(const InstallOptions& options, InstallResult* result) {
  const std::string caption = LoadMessage(IDS_CAPTION);
  char folder[kPathSize];
  CopyBounded(folder, sizeof folder, options.target_folder);

  // A relative folder would land below whatever the current directory is.
  if (!IsAbsoluteFolder(folder)) {
    std::string message = LoadMessage(IDS_INVALID_FOLDER);
    ReportFailure(options, caption, message, message, folder);
    return Stop(result, InstallResult::kFolderRejected);
  }
  if (!CreateFolderChain(folder)) {
    std::string message = LoadMessage(IDS_CANNOT_CREATE_FOLDER);
    ReportFailure(options, caption, message, message, folder);
    return Stop(result, InstallResult::kFolderRejected);
  }
  // The extraction leaves the current directory at the folder; the log
  // knows its own folder since start-up.
  if (ExtractPayload(kPayloadResourceId, kPayloadResourceType, kPayloadTempName, folder) != 0) {
    std::string message = LoadMessage(IDS_INSTALL_FAILED);
    ReportFailure(options, caption, message, folder, message);
    return Stop(result, InstallResult::kPayloadFailed);
  }

  // From here on every step names the folder the chain created, never the
  // text as typed.
  WriteViewerSettings(folder, options.ini_folder);
  int associations_confirmed = ConfirmAssociations(options, caption);
  int failed_entries = 0;
  IntegrateWithSystem(associations_confirmed, options.associate, folder,
                      options.start_menu_shortcut, options.desktop_shortcut,
                      options.thumbnails_shortcut, options.all_users, options.association_marks,
                      &failed_entries);
  if (result != nullptr) *result = InstallResult::kInstalled;
  // The wizard says nothing about the integration; a silent run tells the
  // administrator's script through its log and exit code.
  if (failed_entries > 0 && options.silent) {
    WriteSetupLog(RegistrationIncompleteText(failed_entries).c_str());
    if (result != nullptr) *result = InstallResult::kRegistrationIncomplete;
  }
  return 1;
}
