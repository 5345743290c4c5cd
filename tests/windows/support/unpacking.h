// The engine's unpacking calls for tests that look only at the result: 0
// when it went through, -1 when not, as the tests compare them.
#pragma once

#include <vector>

#include "common/scoped_win.h"
#include "engine/unpacking/unpacking_result.h"

// A folder's path held as the installation's target phase holds a target
// that was not judged (HoldFolderPath), for the unpacking to write into.
class HeldTestFolder {
 public:
  explicit HeldTestFolder(const char* folder);
  // The folder's own level; null when the path could not be held.
  const ScopedHandle* target() const;

 private:
  std::vector<ScopedHandle> levels_;
};

// ExtractPayload (engine/unpacking/payload_extraction.h) into folder, held
// first, with its result.
UnpackingResult ExtractPayloadHeld(int resource_id, const char* resource_type,
                                   const char* temp_name, const char* folder);
// The same without its result.
int UnpackPayload(int resource_id, const char* resource_type, const char* temp_name,
                   const char* folder);
// UnzipToFolder (engine/unpacking/entry_extraction.h) of the archive file at
// archive_path, opened for reading here, into folder, held first; -1 when
// the archive cannot be opened.
int UnzipToFolder(const char* archive_path, const char* folder, UnpackingResult& result);
// The same without its result.
int UnzipToFolder(const char* archive_path, const char* folder);
