// Unpacking the embedded viewer archive into the target folder.
#pragma once

constexpr int kPayloadResourceId = 208;
constexpr char kPayloadResourceType[] = "ZIP";
constexpr char kPayloadTempName[] = "pmarag_x64.zip";

// Writes the archive resource to temp_name in the temporary folder, unpacks
// every entry into folder (canonical form) and deletes the temporary file.
// 0 on success, -1 on failure. The current directory is folder afterwards.
int ExtractPayload(int resource_id, const char* resource_type, const char* temp_name,
                   const char* folder);
