#include "engine/flow/target_folder.h"

#include <utility>

#include "common/install_options.h"
#include "common/messages.h"
#include "common/run_log.h"
#include "integration/folder_chain.h"
#include "rules/text_rules.h"

namespace {

bool Refuse(TargetFolderStage* stage, std::string message, const std::string& logged_suffix = "") {
  stage->logged = message + logged_suffix;
  stage->message = std::move(message);
  return false;
}

bool RefuseJudged(const ExistingFolderCheck& check, TargetFolderStage* stage) {
  const FolderSecurity& level = check.levels[check.verdict.refused_level];
  if (level.reparse_point) {
    return Refuse(stage,
                  FillPlaceholders(LoadMessage(IDS_FOLDER_IS_LINK), "%s", {check.refused_path}));
  }
  const std::string owner =
      check.refused_owner.empty() ? LoadMessage(IDS_OWNER_UNKNOWN) : check.refused_owner;
  return Refuse(stage, FillPlaceholders(LoadMessage(IDS_FOLDER_OF_OTHER_USER), "%s",
                                        {check.refused_path, owner}));
}

}  // namespace

bool PrepareTargetFolder(char* folder, FolderProtection& protection,
                         FolderSecurityReader& reader, TargetFolderStage* stage) {
  char trimmed[kPathSize];
  CopyBounded(trimmed, sizeof trimmed, folder);
  TrimBlanks(trimmed);
  if (protection.applies()) {
    stage->before = CheckExistingFolder(trimmed, reader);
    if (stage->before.verdict.action == ExistingFolderAction::kRefuse) {
      return RefuseJudged(stage->before, stage);
    }
  }
  if (!CreateFolderChain(folder, protection.attributes(), &stage->created)) {
    const std::string message = LoadMessage(IDS_CANNOT_CREATE_FOLDER);
    return Refuse(stage, message, std::string(": ") + folder);
  }
  if (!stage->created.empty()) {
    TheRunLog().Note("folder created: " + stage->created +
                     (protection.attributes() != nullptr
                          ? std::string(", with the permissions of Program Files ") +
                                kProtectedFolderSddl
                          : std::string(", with the permissions of its parent")));
  }
  if (!protection.applies()) return true;

  // Every level stands now, some perhaps made by someone else while the
  // chain ran: all are judged, and held from here on.
  stage->after = CheckExistingFolder(trimmed, reader);
  stage->before = ExistingFolderCheck();
  ExistingFolderCheck& after = stage->after;
  if (after.verdict.action == ExistingFolderAction::kRefuse) return RefuseJudged(after, stage);
  if (!SecureMovableLevels(after, reader)) {
    return Refuse(stage, FillPlaceholders(LoadMessage(IDS_FOLDER_NOT_PROTECTED), "%s",
                                          {after.refused_path}));
  }
  // A folder that others may change is protected before anything goes in;
  // one the chain made got that on its creation, and reads as such.
  if (after.verdict.action == ExistingFolderAction::kProtect) {
    const FolderProtectionResult result =
        ProtectExistingFolder(folder, reader, after.held.empty() ? nullptr : after.held.back().Get());
    if (!result.others_control.empty()) {
      return Refuse(stage, FillPlaceholders(LoadMessage(IDS_FOLDER_OTHERS_CONTROL), "%s",
                                            {folder, result.others_control}));
    }
    if (!result) {
      return Refuse(stage,
                    FillPlaceholders(LoadMessage(IDS_FOLDER_NOT_PROTECTED), "%s", {folder}));
    }
  }
  return true;
}
