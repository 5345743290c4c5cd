// The engine's unpacking calls for tests that look only at the result: what
// became of each entry is dropped.
#pragma once

#include "engine/unpacking/installation_outcome.h"

// ExtractPayload (engine/unpacking/payload_extraction.h) without an outcome.
int ExtractPayload(int resource_id, const char* resource_type, const char* temp_name,
                   const char* folder);
// UnzipToFolder (engine/unpacking/entry_extraction.h) of the archive file at
// archive_path, opened for reading here; -1 when it cannot be opened.
int UnzipToFolder(const char* archive_path, const char* folder, InstallationOutcome& outcome);
// The same without an outcome.
int UnzipToFolder(const char* archive_path, const char* folder);
