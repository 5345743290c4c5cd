#include "support/unpacking.h"

#include <windows.h>

#include "common/scoped_win.h"
#include "engine/unpacking/entry_extraction.h"
#include "engine/unpacking/payload_extraction.h"
#include "files/file_identity.h"

HeldTestFolder::HeldTestFolder(const char* folder) {
  if (!HoldFolderPath(folder, levels_)) levels_.clear();
}

const ScopedHandle* HeldTestFolder::target() const {
  return levels_.empty() ? nullptr : &levels_.back();
}

UnpackingResult ExtractPayloadHeld(int resource_id, const char* resource_type,
                                   const char* temp_name, const char* folder) {
  const HeldTestFolder held(folder);
  return ExtractPayload(resource_id, resource_type, temp_name, folder, held.target());
}

int UnpackPayload(int resource_id, const char* resource_type, const char* temp_name,
                  const char* folder) {
  return ExtractPayloadHeld(resource_id, resource_type, temp_name, folder).unpacked ? 0 : -1;
}

int UnzipToFolder(const char* archive_path, const char* folder, UnpackingResult& result) {
  ScopedHandle archive(CreateFileA(archive_path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  if (!archive) return -1;
  const HeldTestFolder held(folder);
  result = UnzipToFolder(archive.Get(), folder, held.target());
  return result.unpacked ? 0 : -1;
}

int UnzipToFolder(const char* archive_path, const char* folder) {
  UnpackingResult result;
  return UnzipToFolder(archive_path, folder, result);
}
