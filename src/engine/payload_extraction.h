// Unpacking the embedded viewer archive into the target folder.
#pragma once

#include "common/scoped_win.h"
#include "engine/held_folder.h"
#include "engine/installation_outcome.h"
#include "resources/resource.h"

constexpr int kPayloadResourceId = IDR_PAYLOAD;
constexpr char kPayloadResourceType[] = "ZIP";
constexpr char kPayloadTempName[] = "pmarag_x64.zip";
constexpr unsigned long kTempFolderBufferSize = 520;

// The setup's temporary folder, ending in a backslash, into temp
// (kTempFolderBufferSize bytes); false when it is unknown.
bool TempFolder(char* temp);

// Writes the archive resource to temp_name in a folder of its own that is
// created fresh, under a name nobody can foresee, in the temporary folder;
// unpacks every entry into folder (canonical form) and removes the
// temporary file and its folder. What became of each entry goes to
// outcome.
// 0 on success, -1 on failure. After a success the current directory is
// folder; after a failure it is as it was.
int ExtractPayload(int resource_id, const char* resource_type, const char* temp_name,
                   const char* folder, InstallationOutcome& outcome);

// Whether the folder behind the handle is owned by the account the setup
// runs as.
using OwnerCheck = bool (*)(const ScopedHandle& folder);

// Removes the private temporary folders ("pmarag-" and 16 hex digits) that
// killed runs left in the temporary folder, each with the archive it held:
// only those that owned_by_this_account says are this account's.
// Only while no other setup runs.
void RemoveLeftoverTempFolders(OwnerCheck owned_by_this_account = OwnedByThisAccount);
