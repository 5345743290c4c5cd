#include "engine/flow/run_installation.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/desktop_start.h"
#include "common/messages.h"
#include "common/run_log.h"
#include "common/windows_version.h"
#include "engine/flow/installation_lock.h"
#include "engine/flow/installation_outcome.h"
#include "engine/flow/installation_session.h"
#include "engine/unpacking/payload_extraction.h"
#include "engine/flow/shutdown_block.h"
#include "engine/flow/target_folder.h"
#include "engine/flow/viewer_settings.h"
#include "files/folder_protection.h"
#include "files/folder_security.h"
#include "files/full_paths.h"
#include "files/temp_folders.h"
#include "integration/default_apps.h"
#include "integration/folder_chain.h"
#include "integration/integrate_with_system.h"
#include "rules/environment_expansion.h"
#include "rules/run_log_rules.h"
#include "rules/text_rules.h"

namespace {

// The entry's full path, with Windows separators, for the log.
std::string EntryPath(const std::string& folder, const std::string& name) {
  std::string path = folder + name;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// What an installation that went through left unwritten, in the words of
// the messages: every kept file, with at_restart every file that waits for
// the restart, every file an earlier run's replacement puts back at the
// restart, a settings folder refused, every settings file not written,
// the users' settings, the failed registry entries.
std::vector<ShownText> IncompleteParts(const InstallationOutcome& outcome, bool at_restart) {
  std::vector<ShownText> parts;
  auto file_part = [&parts](const std::string& file, const std::string& message) {
    parts.push_back(NameShown(file).Own(": " + message));
  };
  const std::string kept = LoadMessage(IDS_FILE_KEPT_READ_ONLY);
  for (const std::string& name : outcome.kept_read_only) {
    file_part(EntryPath(outcome.folder, name), kept);
  }
  const std::string waits = LoadMessage(IDS_FILE_REPLACED_AT_RESTART);
  for (const std::string& name : outcome.replaced_at_restart) {
    if (at_restart) file_part(EntryPath(outcome.folder, name), waits);
  }
  const std::string earlier = LoadMessage(IDS_EARLIER_FILE_AT_RESTART);
  for (const std::string& name : outcome.earlier_file_at_restart) {
    file_part(EntryPath(outcome.folder, name), earlier);
  }
  if (!outcome.settings_folder_refused.bytes().empty()) {
    parts.push_back(outcome.settings_folder_refused);
  }
  const std::string not_written = LoadMessage(IDS_SETTINGS_FILE_NOT_WRITTEN);
  for (const std::string& file : outcome.settings_not_written) file_part(file, not_written);
  if (!outcome.settings_left_to_users.empty()) {
    parts.push_back(FillShown(LoadMessage(IDS_SETTINGS_FOR_EACH_USER), "%s",
                              {NameShown(outcome.settings_left_to_users)}));
  }
  if (outcome.restart_list_unreadable) {
    parts.push_back(ShownText().Own(LoadMessage(IDS_RESTART_LIST_UNREADABLE)));
  }
  if (outcome.failed_integration_entries > 0) {
    parts.push_back(ShownText().Own(
        FillNumbers(LoadMessage(IDS_REGISTRATION_INCOMPLETE),
                    {static_cast<unsigned long long>(outcome.failed_integration_entries)})));
  }
  return parts;
}

// The parts' bytes, as the logs keep them.
std::vector<std::string> LoggedParts(const std::vector<ShownText>& parts) {
  std::vector<std::string> logged;
  for (const ShownText& part : parts) logged.push_back(part.bytes());
  return logged;
}

// Kept files, refused registry writes and the users' settings outweigh the
// restart: a restart does not write them either.
InstallResult ResultOf(const InstallationOutcome& outcome) {
  if (!outcome.kept_read_only.empty() || outcome.failed_integration_entries > 0 ||
      !outcome.settings_left_to_users.empty() || !outcome.settings_not_written.empty() ||
      !outcome.settings_folder_refused.bytes().empty() ||
      !outcome.earlier_file_at_restart.empty() || outcome.restart_list_unreadable) {
    return InstallResult::kIncomplete;
  }
  if (!outcome.replaced_at_restart.empty()) return InstallResult::kRestartRequired;
  return InstallResult::kInstalled;
}

// Records why the installation ends without its work; 0, the routine's
// result for that.
int RecordFailure(InstallationOutcome& outcome, InstallResult why) {
  outcome.result = why;
  return 0;
}

// Only the wizard asks; a silent run's /assoc= is its answer.
int ConfirmAssociations(const InstallOptions& options, InstallationSession& session) {
  if (!options.associate) return 1;
  const int answer =
      session.Ask(IDS_CONFIRM_ASSOCIATIONS, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, IDYES,
                  "the associations stay as they are");
  return answer == IDNO ? 0 : 1;
}

// The folders made whole and checked before anything is written: a
// relative target would land below whatever the current directory is, and
// a settings folder whose references name a place the code page cannot
// hold would be another folder. False after telling the user.
bool AcceptFolders(InstallOptions& options, bool settings_left_to_users,
                   InstallationSession& session) {
  // Whole before any rule or message sees them: "..", read as a name, would
  // carry a folder out of Program Files unseen.
  const bool whole = MakePathWhole(options.target_folder, sizeof options.target_folder);
  MakePathWhole(options.ini_folder, sizeof options.ini_folder);
  for (const std::string& line : DescribeOptions(options)) TheRunLog().Note(line);
  if (!whole || !IsAbsoluteFolder(options.target_folder)) {
    const std::string message = LoadMessage(IDS_INVALID_FOLDER);
    session.Fail(message, message + ": " + options.target_folder);
    return false;
  }
  char expanded[kPathSize];
  CopyBounded(expanded, sizeof expanded, options.ini_folder);
  if (!settings_left_to_users && std::strchr(options.ini_folder, '%') != nullptr &&
      !ExpandEnvironmentReferences(options.ini_folder, expanded)) {
    const std::string message = LoadMessage(IDS_NAME_BEYOND_CODE_PAGE);
    session.Fail(message, message + ": " + options.ini_folder);
    return false;
  }
  // Each user's expansion is unknown here: only its characters are judged.
  if (HoldsControlCharacter(options.ini_folder) ||
      (!settings_left_to_users && !IsUsableSettingsFolder(expanded))) {
    const std::string message = LoadMessage(IDS_INVALID_FOLDER);
    session.Fail(message, message + ": " + options.ini_folder);
    return false;
  }
  return true;
}

// Unpacks the viewer into the folder; false after telling the user what
// failed: the temporary archive, else the folder, with the space figures
// when space ran short. A shutdown may go on while the box waits.
bool UnpackViewer(const char* folder, ShutdownBlock& shutdown_block,
                  InstallationSession& session, InstallationOutcome& outcome) {
  UnpackingResult unpacking =
      ExtractPayload(kPayloadResourceId, kPayloadResourceType, kPayloadTempName, folder);
  outcome.kept_read_only = std::move(unpacking.kept_read_only);
  outcome.replaced_at_restart = std::move(unpacking.replaced_at_restart);
  outcome.earlier_file_at_restart = std::move(unpacking.earlier_file_at_restart);
  outcome.restart_list_unreadable = unpacking.restart_list_unreadable;
  if (unpacking.unpacked) return true;
  shutdown_block.Lift();
  const std::string message = LoadMessage(IDS_INSTALL_FAILED);
  std::string logged = message;
  if (unpacking.space_short) {
    logged += "\n" + FillNumbers(LoadMessage(IDS_NOT_ENOUGH_SPACE),
                                 {unpacking.needed_bytes, unpacking.free_bytes});
  }
  session.Fail(message,
               (unpacking.temp_at_fault.empty() ? outcome.folder : unpacking.temp_at_fault) +
                   ": " + logged);
  return false;
}

// What the user and the administrator's script learn once it is done: what
// was not written, the restart, and where Windows lets the user choose the
// default programs (since Windows 8 the formats are only registered).
void ReportInstallation(const InstallOptions& options, int associations_confirmed,
                        InstallationSession& session, InstallationOutcome& outcome) {
  outcome.result = ResultOf(outcome);
  TheRunLog().Note("registry values and links that failed: " +
                   std::to_string(outcome.failed_integration_entries));
  // The setup log of a silent run names the files that wait for the
  // restart too; the wizard has a box of its own for them.
  session.ReportIncomplete(LoggedParts(IncompleteParts(outcome, true)),
                           IncompleteParts(outcome, false));
  if (!outcome.replaced_at_restart.empty()) {
    session.Hint(IDS_RESTART_REQUIRED, MB_ICONINFORMATION);
  }
  if (options.associate && associations_confirmed && IsWindows8OrLater()) {
    session.Hint(IDS_CHOOSE_DEFAULT_APPS, MB_ICONINFORMATION, OpenDefaultAppsSettings);
  }
}

// The installation itself, while this setup holds the machine's lock.
int InstallLocked(const InstallOptions& given, bool as_local_system,
                  InstallationSession& session, InstallationOutcome& outcome) {
  InstallOptions options = given;
  // SYSTEM cannot fill a folder in each user's profile: the references
  // would name its own.
  const bool settings_left_to_users =
      as_local_system && RefersToUserProfile(options.ini_folder);
  if (!AcceptFolders(options, settings_left_to_users, session)) {
    return RecordFailure(outcome, InstallResult::kFolderRejected);
  }

  char folder[kPathSize];
  CopyBounded(folder, sizeof folder, options.target_folder);
  FolderProtection protection = FolderProtection::For(folder);
  Win32FolderSecurityReader reader;
  // Its levels stay held until the registration is written.
  TargetFolderStage target;
  const bool ready = PrepareTargetFolder(folder, protection, reader, &target);
  for (const QuarantinedItem& moved : target.quarantined) {
    session.LogForAdministrator(FillPlaceholders(LoadMessage(IDS_PLANTED_ITEM_MOVED), "%s",
                                                 {moved.item, moved.owner, moved.moved_to}));
  }
  if (!ready) {
    session.Fail(target.message, target.logged);
    return RecordFailure(outcome, InstallResult::kFolderRejected);
  }
  TheRunLog().Note(std::string("target folder ready: ") + folder);
  // From here on every step names the folder the chain created, never the
  // text as typed.
  outcome.folder = folder;

  // No shutdown from the staging to the registration. The extraction
  // leaves the current directory at the folder; the log knows its own
  // folder since start-up.
  ShutdownBlock shutdown_block(session.owner());
  if (!UnpackViewer(folder, shutdown_block, session, outcome)) {
    return RecordFailure(outcome, InstallResult::kPayloadFailed);
  }

  if (settings_left_to_users) outcome.settings_left_to_users = options.ini_folder;
  // An elevated setup judges the settings folder as it judges a target.
  Win32FolderSecurityReader settings_reader;
  outcome.settings_not_written =
      WriteViewerSettings(folder, options.ini_folder, settings_left_to_users,
                          RunsElevated() ? &settings_reader : nullptr,
                          &outcome.settings_folder_refused);

  // With files waiting for the restart the registration already names this
  // version, as Windows Installer does.
  const int associations_confirmed = ConfirmAssociations(options, session);
  IntegrateWithSystem(associations_confirmed, options.associate, folder,
                      options.start_menu_shortcut, options.desktop_shortcut,
                      options.thumbnails_shortcut, options.all_users, options.association_marks,
                      &outcome.failed_integration_entries, as_local_system);
  shutdown_block.Lift();

  ReportInstallation(options, associations_confirmed, session, outcome);
  return 1;
}

}  // namespace

int RunInstallation(const InstallOptions& options, InstallationSession& session,
                    InstallationOutcome& outcome) {
  InstallationLock lock;
  if (!lock.Acquire(kInstallationWaitMs, session.KeepsWindowsPainted())) {
    session.FailBecauseAnotherSetupRuns(lock.failure());
    return RecordFailure(outcome, InstallResult::kAnotherSetupRunning);
  }
  // No other setup runs now: a private temporary folder left there belongs
  // to a killed run.
  RemoveLeftoverTempFolders({kPayloadTempName, kSettingsFileName});
  // Asked once: the per-user places of SYSTEM's profile are nobody's.
  const bool as_local_system = RunsAsLocalSystem();
  if (as_local_system) {
    TheRunLog().Note("runs as SYSTEM (LocalSystem, S-1-5-18): the current user's places are "
                     "SYSTEM's own");
  }
  return InstallLocked(options, as_local_system, session, outcome);
}
