// The engine's unpacking calls for tests that look only at the result: 0
// when it went through, -1 when not, as the tests compare them.
#pragma once

#include "engine/unpacking/unpacking_result.h"

// ExtractPayload (engine/unpacking/payload_extraction.h) without its result.
int UnpackPayload(int resource_id, const char* resource_type, const char* temp_name,
                   const char* folder);
// UnzipToFolder (engine/unpacking/entry_extraction.h) of the archive file at
// archive_path, opened for reading here; -1 when it cannot be opened.
int UnzipToFolder(const char* archive_path, const char* folder, UnpackingResult& result);
// The same without its result.
int UnzipToFolder(const char* archive_path, const char* folder);
