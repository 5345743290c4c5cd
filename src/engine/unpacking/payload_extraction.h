// Unpacking the embedded viewer archive into the target folder.
#pragma once

#include "common/scoped_win.h"
#include "engine/unpacking/unpacking_result.h"
#include "resources/resource.h"

constexpr int kPayloadResourceId = IDR_PAYLOAD;
constexpr char kPayloadResourceType[] = "ZIP";
constexpr char kPayloadTempName[] = "pmarag_x64.zip";
// Writes the archive resource to temp_name in a folder of its own that is
// created fresh, under a name nobody can foresee, in the temporary folder
// and held until it is removed; unpacks every entry into folder (canonical
// form), which the caller holds as held_folder (with the levels above it;
// null or empty: the unpacking fails), reading the archive through the
// handle it was written with, and removes the temporary file and its
// folder through their handles.
// Whether it went through, what became of the entries the user is told
// about, and what stopped it.
UnpackingResult ExtractPayload(int resource_id, const char* resource_type, const char* temp_name,
                               const char* folder, const ScopedHandle* held_folder);

// Test builds only: called with the temporary archive's path once it is
// written and before it is read (nullptr: nothing), so that a test can try
// to put another archive in its place.
using ArchiveWrittenHook = void (*)(const char* archive_path);
void SetArchiveWrittenHookForTests(ArchiveWrittenHook hook);
