#include "engine/run_installation.h"

#include <windows.h>

#include <initializer_list>
#include <string>

#include "common/run_log.h"
#include "common/windows_version.h"
#include "engine/extraction_report.h"
#include "engine/folder_protection.h"
#include "engine/installation_lock.h"
#include "engine/message_owner.h"
#include "engine/messages.h"
#include "engine/payload_extraction.h"
#include "engine/setup_log.h"
#include "engine/viewer_settings.h"
#include "integration/default_apps.h"
#include "integration/folder_chain.h"
#include "integration/integrate_with_system.h"
#include "rules/run_log_rules.h"
#include "rules/text_rules.h"

namespace {

// Wizard mode shows the message; silent mode logs "first: second". The
// run log has the message as it is in both modes.
void ReportFailure(const InstallOptions& options, const std::string& caption,
                   const std::string& message, const std::string& first,
                   const std::string& second) {
  TheRunLog().NoteMessage(message);
  if (options.silent) {
    WriteSetupLog((first + ": " + second).c_str());
  } else {
    MessageBoxA(MessageOwner(), message.c_str(), caption.c_str(), MB_ICONERROR);
  }
}

// A message with its "%d" placeholders filled in turn.
std::string MessageWithNumbers(int id, std::initializer_list<unsigned long long> numbers) {
  std::string text = LoadMessage(id);
  std::size_t from = 0;
  for (unsigned long long number : numbers) {
    const std::size_t placeholder = text.find("%d", from);
    if (placeholder == std::string::npos) break;
    const std::string digits = std::to_string(number);
    text.replace(placeholder, 2, digits);
    from = placeholder + digits.size();
  }
  return text;
}

// The entry's full path, with Windows separators, for the log.
std::string EntryPath(const char* folder, const std::string& name) {
  std::string path = std::string(folder) + name;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// An entry of the setup log, and the same German text in the run log.
void LogSilently(const std::string& text) {
  TheRunLog().NoteMessage(text);
  WriteSetupLog(text.c_str());
}

// The log lines of a silent run that went through: every kept file, every
// file replaced at the restart, the failed registry entries. Written in
// the folder the setup was started from, like every entry.
void LogIncompleteParts(const char* folder, const ExtractionReport& report, int failed_entries) {
  const std::string kept = LoadMessage(IDS_FILE_KEPT_READ_ONLY);
  for (const std::string& name : report.kept_read_only) {
    LogSilently(EntryPath(folder, name) + ": " + kept);
  }
  const std::string at_restart = LoadMessage(IDS_FILE_REPLACED_AT_RESTART);
  for (const std::string& name : report.replaced_at_restart) {
    LogSilently(EntryPath(folder, name) + ": " + at_restart);
  }
  if (failed_entries > 0) {
    LogSilently(MessageWithNumbers(IDS_REGISTRATION_INCOMPLETE,
                                   {static_cast<unsigned long long>(failed_entries)}));
  }
}

// Kept files and refused registry writes outweigh the restart: a restart
// does not write them either.
InstallResult OutcomeOf(const ExtractionReport& report, int failed_entries) {
  if (!report.kept_read_only.empty() || failed_entries > 0) return InstallResult::kIncomplete;
  if (!report.replaced_at_restart.empty()) return InstallResult::kRestartRequired;
  return InstallResult::kInstalled;
}

int Stop(InstallResult* result, InstallResult why) {
  if (result != nullptr) *result = why;
  return 0;
}

int ConfirmAssociations(const InstallOptions& options) {
  if (!options.associate || options.silent) return 1;
  int answer = ShowMessage(MessageOwner(), IDS_CONFIRM_ASSOCIATIONS,
                           MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  TheRunLog().Note(answer == IDNO ? "answer: no, the associations stay as they are"
                                  : "answer: yes");
  return answer == IDNO ? 0 : 1;
}

// The installation itself, while this setup holds the machine's lock.
int InstallLocked(const InstallOptions& options, const std::string& caption,
                  InstallResult* result) {
  char folder[kPathSize];
  CopyBounded(folder, sizeof folder, options.target_folder);
  RunLog& log = TheRunLog();
  for (const std::string& line : DescribeOptions(options)) log.Note(line);

  // A relative folder would land below whatever the current directory is.
  if (!IsAbsoluteFolder(folder)) {
    std::string message = LoadMessage(IDS_INVALID_FOLDER);
    ReportFailure(options, caption, message, message, folder);
    return Stop(result, InstallResult::kFolderRejected);
  }
  FolderProtection protection = FolderProtection::For(folder);
  std::string created;
  if (!CreateFolderChain(folder, protection.attributes(), &created)) {
    std::string message = LoadMessage(IDS_CANNOT_CREATE_FOLDER);
    ReportFailure(options, caption, message, message, folder);
    return Stop(result, InstallResult::kFolderRejected);
  }
  if (!created.empty()) {
    log.Note("folder created: " + created +
             (protection.attributes() != nullptr
                  ? std::string(", with the permissions of Program Files ") + kProtectedFolderSddl
                  : std::string(", with the permissions of its parent")));
  }
  log.Note(std::string("target folder ready: ") + folder);
  // The extraction leaves the current directory at the folder; the log
  // knows its own folder since start-up.
  ExtractionReport report;
  if (ExtractPayload(kPayloadResourceId, kPayloadResourceType, kPayloadTempName, folder,
                     &report) != 0) {
    std::string message = LoadMessage(IDS_INSTALL_FAILED);
    std::string logged = message;
    if (report.space_short) {
      logged += "\n" + MessageWithNumbers(IDS_NOT_ENOUGH_SPACE,
                                          {report.needed_bytes, report.free_bytes});
    }
    // The entry names what failed: the temporary archive, else the folder.
    ReportFailure(options, caption, message,
                  report.temp_at_fault.empty() ? std::string(folder) : report.temp_at_fault,
                  logged);
    return Stop(result, InstallResult::kPayloadFailed);
  }

  // From here on every step names the folder the chain created, never the
  // text as typed. With files waiting for the restart the registration
  // already names this version, as Windows Installer does.
  WriteViewerSettings(folder, options.ini_folder);
  int associations_confirmed = ConfirmAssociations(options);
  int failed_entries = 0;
  IntegrateWithSystem(associations_confirmed, options.associate, folder,
                      options.start_menu_shortcut, options.desktop_shortcut,
                      options.thumbnails_shortcut, options.all_users, options.association_marks,
                      &failed_entries);
  if (result != nullptr) *result = OutcomeOf(report, failed_entries);
  // The wizard says nothing about kept files or the integration, only that
  // a restart completes the installation; a silent run tells the
  // administrator's script through its log and exit code.
  log.Note("registry values and links that failed: " + std::to_string(failed_entries));
  if (options.silent) {
    LogIncompleteParts(folder, report, failed_entries);
  } else if (!report.replaced_at_restart.empty()) {
    ShowMessage(MessageOwner(), IDS_RESTART_REQUIRED, MB_ICONINFORMATION);
  }
  // Since Windows 8 the formats are registered and the user chooses: the
  // wizard shows where, once the user has said Yes to the marked formats.
  if (!options.silent && options.associate && associations_confirmed &&
      IsWindowsVersionAtLeast(6, 2, 0)) {
    ShowMessage(MessageOwner(), IDS_CHOOSE_DEFAULT_APPS, MB_ICONINFORMATION);
    OpenDefaultAppsSettings();
  }
  return 1;
}

}  // namespace

int RunInstallation(const InstallOptions& options, InstallResult* result) {
  const std::string caption = LoadMessage(IDS_CAPTION);
  InstallationLock lock;
  if (!lock.Acquire(kInstallationWaitMs, !options.silent)) {
    // The wizard has no message of its own for this: message 7 asks to
    // check whether Pellumara is running.
    if (options.silent) {
      LogSilently(LoadMessage(IDS_ANOTHER_SETUP_RUNNING));
    } else {
      ShowMessage(MessageOwner(), IDS_INSTALL_FAILED, MB_ICONERROR);
    }
    return Stop(result, InstallResult::kAnotherSetupRunning);
  }
  // No other setup runs now: a private temporary folder left there belongs
  // to a killed run.
  RemoveLeftoverTempFolders();
  return InstallLocked(options, caption, result);
}
