// The engine's unpacking calls for tests that look only at the result: what
// became of each entry is dropped.
#pragma once

// ExtractPayload (engine/unpacking/payload_extraction.h) without an outcome.
int ExtractPayload(int resource_id, const char* resource_type, const char* temp_name,
                   const char* folder);
// UnzipToFolder (engine/unpacking/entry_extraction.h) without an outcome.
int UnzipToFolder(const char* archive_path, const char* folder);
