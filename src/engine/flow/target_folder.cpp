#include "engine/flow/target_folder.h"

#include <string>
#include <utility>
#include <vector>

#include "common/code_page_bytes.h"
#include "common/install_options.h"
#include "common/messages.h"
#include "common/run_log.h"
#include "engine/unpacking/payload_extraction.h"
#include "engine/unpacking/payload_names.h"
#include "files/file_identity.h"
#include "integration/folder_chain.h"
#include "rules/code_page_characters.h"
#include "rules/folder_chain_rules.h"
#include "rules/text_rules.h"

namespace {

bool Refuse(TargetFolderStage* stage, ShownText message, const std::string& logged_suffix = "") {
  stage->logged = message.bytes() + logged_suffix;
  stage->message = std::move(message);
  return false;
}

bool RefuseJudged(const char* folder, const ExistingFolderCheck& check, TargetFolderStage* stage) {
  switch (check.verdict.refusal) {
    case FolderRefusal::kLink:
      return Refuse(stage, FillShown(LoadMessage(IDS_FOLDER_IS_LINK), "%s",
                                     {NameShown(check.refused_path)}));
    case FolderRefusal::kHeldByOther:
      return Refuse(stage, FillShown(LoadMessage(IDS_FOLDER_NOT_PROTECTED), "%s",
                                     {NameShown(check.refused_path)}));
    case FolderRefusal::kRepermission:
      return Refuse(stage, FillShown(LoadMessage(IDS_FOLDER_OTHERS_CONTROL), "%s",
                                     {NameShown(folder), NameShown(check.refused_path)}));
    case FolderRefusal::kOwner:
      break;
  }
  const ShownText owner = check.refused_owner.empty() ? ShownText().Own(LoadMessage(IDS_OWNER_UNKNOWN))
                                                      : NameShown(check.refused_owner);
  return Refuse(stage, FillShown(LoadMessage(IDS_FOLDER_OF_OTHER_USER), "%s",
                                 {NameShown(check.refused_path), owner}));
}

// The unpacking and the registration name the target by its path: it must
// lead to the very folder judged and held, as the held levels keep it
// until the registration is written. One volume, one file index.
bool NamesHeldTarget(const char* folder, const ExistingFolderCheck& check) {
  if (!check.target_exists || check.held.size() != check.levels.size() || !check.held.back()) {
    return false;
  }
  ScopedHandle at_path(CreateFileA(folder, FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return at_path && SameObject(at_path.Get(), check.held.back().Get());
}

}  // namespace

FolderChainResult MakeJudgedFolderChain(char* folder, SECURITY_ATTRIBUTES* attributes,
                                        FolderSecurityReader* reader, JudgedFolderChain* chain) {
  // Judged in the form the chain makes and names ("C:\Tools \Pellumara" is
  // "C:\Tools\Pellumara\"), never as typed.
  char canonical[kPathSize];
  CopyBounded(canonical, sizeof canonical, folder);
  if (!MakeCanonicalFolder(canonical, CodePageCharacters::Of(SystemAnsiCodePage()))) {
    return FolderChainResult::kNotMade;
  }
  if (reader != nullptr) {
    chain->before = CheckExistingFolder(canonical, *reader);
    if (chain->before.verdict.action == ExistingFolderAction::kRefuse) {
      return FolderChainResult::kRefused;
    }
  }
  if (!CreateFolderChain(folder, attributes, &chain->created)) return FolderChainResult::kNotMade;
  if (reader == nullptr) return FolderChainResult::kMade;
  // Every level stands now, some perhaps made by someone else while the
  // chain ran, or swapped for a link since the first look: all are judged,
  // and held from here on.
  chain->after = CheckExistingFolder(canonical, *reader);
  chain->before = ExistingFolderCheck();
  return chain->after.verdict.action == ExistingFolderAction::kRefuse ? FolderChainResult::kRefused
                                                                      : FolderChainResult::kMade;
}

const ScopedHandle* HeldTarget(const TargetFolderStage& stage) {
  const std::vector<ScopedHandle>& held =
      !stage.after.held.empty() ? stage.after.held : stage.held_path;
  return !held.empty() && held.back() ? &held.back() : nullptr;
}

const ExistingFolderCheck& RefusingCheck(const JudgedFolderChain& chain) {
  return chain.before.verdict.action == ExistingFolderAction::kRefuse ? chain.before : chain.after;
}

bool PrepareTargetFolder(char* folder, FolderProtection& protection,
                         FolderSecurityReader& reader, bool elevated, TargetFolderStage* stage) {
  // Elevated, every existing target is judged, one under Program Files
  // too: an earlier installation there may have been opened to Users.
  // Only a new folder's permissions depend on where it lies.
  const bool judged = protection.applies() || elevated;
  const FolderChainResult made = MakeJudgedFolderChain(
      folder, protection.attributes(), judged ? &reader : nullptr, stage);
  if (made == FolderChainResult::kNotMade) {
    return Refuse(stage, ShownText().Own(LoadMessage(IDS_CANNOT_CREATE_FOLDER)),
                  std::string(": ") + folder);
  }
  if (!stage->created.empty()) {
    TheRunLog().Note("folder created: " + stage->created +
                     (protection.attributes() != nullptr
                          ? std::string(", with the permissions of Program Files ") +
                                kProtectedFolderSddl
                          : std::string(", with the permissions of its parent")));
  }
  if (made == FolderChainResult::kRefused) return RefuseJudged(folder, RefusingCheck(*stage), stage);
  if (!judged) {
    if (!HoldFolderPath(folder, stage->held_path)) stage->held_path.clear();
    return true;
  }

  ExistingFolderCheck& after = stage->after;
  if (!NamesHeldTarget(folder, after)) {
    TheRunLog().Note(std::string("refused: ") + folder + " is no longer the folder judged");
    return Refuse(stage,
                  FillShown(LoadMessage(IDS_FOLDER_NOT_PROTECTED), "%s", {NameShown(folder)}));
  }
  if (!SecureMovableLevels(after, reader)) {
    return Refuse(stage, FillShown(LoadMessage(IDS_FOLDER_NOT_PROTECTED), "%s",
                                   {NameShown(after.refused_path)}));
  }
  // A folder that others may change is protected before anything goes in;
  // one the chain made got that on its creation, and reads as such.
  if (after.verdict.action == ExistingFolderAction::kProtect) {
    // The archive's own names are all the folder may hold.
    std::vector<std::string> payload_names;
    if (!ReadPayloadEntryNames(kPayloadResourceId, kPayloadResourceType, &payload_names)) {
      TheRunLog().Note("the archive's names cannot be read: the target folder may hold nothing");
    }
    const FolderProtectionResult result = ProtectExistingFolder(
        folder, reader, payload_names, after.held.empty() ? nullptr : &after.held.back());
    stage->quarantined = result.quarantined;
    if (!result.others_control.empty()) {
      return Refuse(stage, FillShown(LoadMessage(IDS_FOLDER_OTHERS_CONTROL), "%s",
                                     {NameShown(folder), NameShown(result.others_control)}));
    }
    if (!result.refused_item.empty()) {
      return Refuse(stage, FillShown(LoadMessage(IDS_FOLDER_HOLDS_ITEM), "%s",
                                     {NameShown(folder), NameShown(result.refused_item)}));
    }
    if (!result) {
      return Refuse(stage,
                    FillShown(LoadMessage(IDS_FOLDER_NOT_PROTECTED), "%s", {NameShown(folder)}));
    }
  }
  return true;
}
