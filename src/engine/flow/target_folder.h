// The target folder's stage of an installation: checked, made, the levels
// above it secured and, where it stood already and others may change it,
// protected, before anything goes in.
#pragma once

#include <string>
#include <vector>

#include "common/messages.h"
#include "common/scoped_win.h"
#include "files/folder_protection.h"
#include "files/folder_security.h"

// The levels of a folder the setup makes, judged on both sides of its
// chain: a level made or swapped for a link between the first look and the
// chain is judged like any that stood.
struct JudgedFolderChain {
  // The levels as judged before the chain, held until it is done; then
  // every level, held until the owner lets go, so that no level can be
  // moved aside meanwhile.
  ExistingFolderCheck before;
  ExistingFolderCheck after;
  // The highest level the chain made, "" when all stood.
  std::string created;
};

enum class FolderChainResult {
  kMade,
  kRefused,  // a judging refused it: RefusingCheck says which level
  kNotMade,  // the chain failed; the levels are not judged again
};

// Makes folder (absolute) with every missing level, the highest made with
// attributes (null: it inherits), canonical afterwards as the chain leaves
// it. With reader, the existing levels are judged and held before the
// chain, and every level again after it, found standing or made.
FolderChainResult MakeJudgedFolderChain(char* folder, SECURITY_ATTRIBUTES* attributes,
                                        FolderSecurityReader* reader, JudgedFolderChain* chain);

// The check that refused the folder, after kRefused.
const ExistingFolderCheck& RefusingCheck(const JudgedFolderChain& chain);

struct TargetFolderStage : JudgedFolderChain {
  // With a refusal: the message for the user and the setup log's entry.
  ShownText message;
  std::string logged;
  // What another account had put into the target, moved aside there
  // (FolderProtectionResult::quarantined), refused or not.
  std::vector<QuarantinedItem> quarantined;
  // A target that was not judged: its path's levels, held once the chain
  // made it (HoldFolderPath), the target last; empty when they could not
  // be held.
  std::vector<ScopedHandle> held_path;
};

// The target as the stage holds it, for the unpacking to write into: the
// judged check's innermost level, or the innermost level of held_path; the
// levels above it stay held with the stage. Null when none is held.
const ScopedHandle* HeldTarget(const TargetFolderStage& stage);

// Makes folder (absolute, canonical) ready. Elevated, wherever it lies, its
// levels are judged through reader on both sides of the chain
// (MakeJudgedFolderChain) and stay held; otherwise the path is held once
// made (held_path), and a path that cannot be held is left for the
// unpacking to fail on. False, with the refusal in stage, when the
// folder is refused or cannot be made.
bool PrepareTargetFolder(char* folder, FolderProtection& protection,
                         FolderSecurityReader& reader, bool elevated, TargetFolderStage* stage);
