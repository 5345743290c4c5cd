// The target folder's stage of an installation: checked, made, the levels
// above it secured and, where it stood already and others may change it,
// protected, before anything goes in.
#pragma once

#include <string>

#include "files/folder_protection.h"
#include "files/folder_security.h"

struct TargetFolderStage {
  // The levels as judged before the chain, held until it is done; then
  // every level, held until the stage's owner lets go (the end of the
  // installation), so that no level can be moved aside meanwhile.
  ExistingFolderCheck before;
  ExistingFolderCheck after;
  // The highest level the chain made, "" when all stood.
  std::string created;
  // With a refusal: the message for the user and the setup log's entry.
  std::string message;
  std::string logged;
};

// Makes folder (absolute) ready, canonical afterwards as the chain leaves
// it. Elevated outside Program Files, the existing levels are judged
// through reader before the chain and every level again after it: a level
// the chain expected to make but found standing is judged like any that
// stood. False, with the refusal in stage, when the folder is refused or
// cannot be made.
bool PrepareTargetFolder(char* folder, FolderProtection& protection,
                         FolderSecurityReader& reader, TargetFolderStage* stage);
