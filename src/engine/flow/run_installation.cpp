#include "engine/flow/run_installation.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "common/messages.h"
#include "common/run_log.h"
#include "engine/flow/installation_lock.h"
#include "engine/flow/installation_report.h"
#include "engine/flow/shutdown_block.h"
#include "engine/flow/target_folder.h"
#include "engine/flow/viewer_settings.h"
#include "engine/unpacking/payload_extraction.h"
#include "files/folder_protection.h"
#include "files/folder_security.h"
#include "files/temp_folders.h"
#include "integration/integrate_with_system.h"
#include "rules/text_rules.h"

namespace {

// Phase: the machine's lock, so that no other setup installs meanwhile. A
// private temporary folder left behind then belongs to a killed run.
bool LockMachine(InstallationLock& lock, InstallationSession& session) {
  if (!lock.Acquire(kInstallationWaitMs, session.KeepsWindowsPainted())) {
    session.FailBecauseAnotherSetupRuns(lock.failure());
    return false;
  }
  RemoveLeftoverTempFolders({kPayloadTempName, kSettingsFileName});
  return true;
}

// Phase: the target folder checked, made and secured; its levels stay held
// in stage until the registration is written. False after telling the user.
bool PrepareTarget(const InstallationPlan& plan, InstallationSession& session,
                   TargetFolderStage* stage) {
  char folder[kPathSize];
  CopyBounded(folder, sizeof folder, plan.target_folder.c_str());
  FolderProtection protection = FolderProtection::For(folder);
  Win32FolderSecurityReader reader;
  const bool ready = PrepareTargetFolder(folder, protection, reader, plan.runner.elevated, stage);
  for (const QuarantinedItem& moved : stage->quarantined) {
    session.LogForAdministrator(FillPlaceholders(LoadMessage(IDS_PLANTED_ITEM_MOVED), "%s",
                                                 {moved.item, moved.owner, moved.moved_to}));
  }
  if (!ready) {
    session.Fail(stage->message, stage->logged);
    return false;
  }
  TheRunLog().Note(std::string("target folder ready: ") + folder);
  return true;
}

// Phase: the viewer unpacked into the folder the target phase holds; after a failure the user is
// told what failed: the temporary archive, else the folder, with the space
// figures when space ran short. A shutdown may go on while the box waits.
UnpackingResult UnpackViewer(const InstallationPlan& plan, const TargetFolderStage& target,
                             ShutdownBlock& shutdown_block, InstallationSession& session) {
  UnpackingResult unpacking =
      ExtractPayload(kPayloadResourceId, kPayloadResourceType, kPayloadTempName,
                     plan.target_folder.c_str(), HeldTarget(target));
  if (unpacking.unpacked) return unpacking;
  shutdown_block.Lift();
  const std::string message = LoadMessage(IDS_INSTALL_FAILED);
  std::string logged = message;
  if (unpacking.space_short) {
    logged += "\n" + FillNumbers(LoadMessage(IDS_NOT_ENOUGH_SPACE),
                                 {unpacking.needed_bytes, unpacking.free_bytes});
  }
  session.Fail(message,
               (unpacking.temp_at_fault.empty() ? plan.target_folder : unpacking.temp_at_fault) +
                   ": " + logged);
  return unpacking;
}

// What the settings phase left unwritten.
struct SettingsResult {
  std::vector<std::string> not_written;
  ShownText folder_refused;
};

// Phase: the viewer's settings file. An elevated setup judges the settings
// folder as it judges a target.
SettingsResult WriteSettings(const InstallationPlan& plan) {
  SettingsResult result;
  Win32FolderSecurityReader settings_reader;
  result.not_written = WriteViewerSettings(plan.target_folder, plan.settings,
                                           plan.runner.elevated ? &settings_reader : nullptr,
                                           &result.folder_refused);
  return result;
}

// Only the wizard asks; a silent run's /assoc= is its answer.
bool ConfirmAssociations(const InstallationPlan& plan, InstallationSession& session) {
  if (!plan.associate) return true;
  return session.Ask(IDS_CONFIRM_ASSOCIATIONS, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, IDYES,
                     "the associations stay as they are") != IDNO;
}

// What the integration is to do, as the plan decided it.
IntegrationRequest IntegrationRequestOf(const InstallationPlan& plan, bool associations_confirmed) {
  const LinkChoice& links = plan.links;
  IntegrationRequest request;
  request.program_folder = plan.target_folder;
  request.start_menu_links = links.start_menu;
  request.desktop_link = links.desktop;
  request.thumbnails_link = links.thumbnails;
  request.link_places = links.places;
  request.uninstall_link = links.uninstall_link;
  request.marks = ConfirmedMarks(plan.association_marks.data(), associations_confirmed);
  request.associations_confirmed = associations_confirmed;
  request.notify_shell = plan.associate;
  request.association_rule = plan.association_rule;
  return request;
}

// Phase: links, verbs, registration and associations. With files waiting
// for the restart the registration already names this version, as Windows
// Installer does.
IntegrationResult Integrate(const InstallationPlan& plan, bool associations_confirmed) {
  const LinkChoice& links = plan.links;
  const std::string note = LinkPlacesNote(links.all_users_asked, plan.runner.local_system,
                                          links.start_menu || links.desktop || links.thumbnails);
  if (!note.empty()) TheRunLog().Note(note);
  return IntegrateWithSystem(IntegrationRequestOf(plan, associations_confirmed));
}

// The installation's outcome, built from what each phase returned.
InstallationOutcome OutcomeOf(const InstallationPlan& plan, UnpackingResult&& unpacking,
                              SettingsResult&& settings, const IntegrationResult& integration) {
  InstallationOutcome outcome;
  // Every step named the folder the plan made canonical, never the text as
  // typed.
  outcome.folder = plan.target_folder;
  outcome.kept_read_only = std::move(unpacking.kept_read_only);
  outcome.replaced_at_restart = std::move(unpacking.replaced_at_restart);
  outcome.earlier_file_at_restart = std::move(unpacking.earlier_file_at_restart);
  outcome.restart_list_unreadable = unpacking.restart_list_unreadable;
  if (plan.settings.place == SettingsPlace::kEachUsersProfile) {
    outcome.settings_left_to_users = plan.settings.given;
  }
  outcome.settings_not_written = std::move(settings.not_written);
  outcome.settings_folder_refused = std::move(settings.folder_refused);
  outcome.failed_integration_entries = integration.failed_entries;
  return outcome;
}

InstallationOutcome Ended(InstallResult why) {
  InstallationOutcome outcome;
  outcome.result = why;
  return outcome;
}

}  // namespace

bool WentThrough(InstallResult result) {
  return result == InstallResult::kInstalled || result == InstallResult::kIncomplete ||
         result == InstallResult::kRestartRequired;
}

InstallationOutcome RunInstallation(const InstallationPlan& plan, InstallationSession& session) {
  InstallationLock lock;
  if (!LockMachine(lock, session)) return Ended(InstallResult::kAnotherSetupRunning);
  // Its levels stay held until the registration is written.
  TargetFolderStage target;
  if (!PrepareTarget(plan, session, &target)) return Ended(InstallResult::kFolderRejected);
  // No shutdown from the staging to the registration.
  ShutdownBlock shutdown_block(session.owner());
  UnpackingResult unpacking = UnpackViewer(plan, target, shutdown_block, session);
  if (!unpacking.unpacked) return Ended(InstallResult::kPayloadFailed);
  SettingsResult settings = WriteSettings(plan);
  const bool associations_confirmed = ConfirmAssociations(plan, session);
  const IntegrationResult integration = Integrate(plan, associations_confirmed);
  shutdown_block.Lift();
  InstallationOutcome outcome =
      OutcomeOf(plan, std::move(unpacking), std::move(settings), integration);
  ReportInstallation(plan, associations_confirmed, session, outcome);
  return outcome;
}
