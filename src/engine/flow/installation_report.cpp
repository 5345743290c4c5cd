#include "engine/flow/installation_report.h"

#include <string>
#include <vector>

#include "common/messages.h"
#include "common/run_log.h"
#include "integration/default_apps.h"
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

}  // namespace

// What the user and the administrator's script learn once it is done: what
// was not written, the restart, and where Windows lets the user choose the
// default programs (since Windows 8 the formats are only registered).
void ReportInstallation(const InstallationPlan& plan, bool associations_confirmed,
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
  if (plan.associate && associations_confirmed &&
      plan.association_rule == AssociationRule::kRegisterOnly) {
    session.Hint(IDS_CHOOSE_DEFAULT_APPS, MB_ICONINFORMATION, OpenDefaultAppsSettings);
  }
}
