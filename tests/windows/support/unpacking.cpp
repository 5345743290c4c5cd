#include "support/unpacking.h"

#include <windows.h>

#include "common/scoped_win.h"
#include "engine/unpacking/entry_extraction.h"
#include "engine/unpacking/payload_extraction.h"

int ExtractPayload(int resource_id, const char* resource_type, const char* temp_name,
                   const char* folder) {
  InstallationOutcome outcome;
  return ExtractPayload(resource_id, resource_type, temp_name, folder, outcome);
}

int UnzipToFolder(const char* archive_path, const char* folder, InstallationOutcome& outcome) {
  ScopedHandle archive(CreateFileA(archive_path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  if (!archive) return -1;
  return UnzipToFolder(archive.Get(), folder, outcome);
}

int UnzipToFolder(const char* archive_path, const char* folder) {
  InstallationOutcome outcome;
  return UnzipToFolder(archive_path, folder, outcome);
}
