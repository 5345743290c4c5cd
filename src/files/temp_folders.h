// The setup's private temporary folders: made fresh under a name nobody can
// foresee, closed to everyone but SYSTEM, Administrators and their owner,
// and swept when a killed run left them behind.
#pragma once

#include <initializer_list>
#include <string>

#include "common/scoped_win.h"
#include "files/held_folders.h"

constexpr unsigned long kTempFolderBufferSize = 520;

// The setup's temporary folder, ending in a backslash, into temp
// (kTempFolderBufferSize bytes); false, with the Windows error in error,
// when it is unknown.
bool TempFolder(char* temp, DWORD* error);

// Creates a private folder in the temporary folder and writes its path to
// folder (kPathSize bytes); false when none could be made (folder then
// holds the last path tried, or the temporary folder).
bool CreatePrivateFolder(char* folder);

// A private folder, held from its creation to its removal: opened without
// delete sharing, so that nobody can rename it away and put another folder
// at its name while it lives. A file made relative to the handle
// (CreateInFolder) is made in this very folder, whatever its path leads to
// by then; the folder goes through the handle when the owner lets go, once
// it is empty.
class PrivateFolder {
 public:
  PrivateFolder() = default;
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  ~PrivateFolder();
  // Creates and holds it. False, noted in the run log, when none could be
  // made, or what stands at its name is not the folder just made (another
  // account's, after a level above was swapped); path() then holds the
  // last path tried, or the temporary folder.
  bool Make();
  const std::string& path() const { return path_; }
  const ScopedHandle& held() const { return held_; }

 private:
  std::string path_;
  ScopedHandle held_;
};

// Whether the folder behind the handle is owned by the account the setup
// runs as.
using OwnerCheck = bool (*)(const ScopedHandle& folder);

// Removes the private temporary folders ("pmarag-" and 16 hex digits) that
// killed runs left in the temporary folder, each with the files of those
// names it held: only those that owned_by_this_account says are this
// account's. Only while no other setup runs.
void RemoveLeftoverTempFolders(std::initializer_list<const char*> files,
                               OwnerCheck owned_by_this_account = OwnedByThisAccount);
