// The payload resource on its way to the temporary archive file.
#include "engine/payload_extraction.h"

#include <windows.h>

#include "common/install_options.h"
#include "rules/payload_rules.h"

namespace {

constexpr DWORD kTempFolderBufferSize = 520;

// The temporary archive's path; false when the temporary folder is unknown
// or the path would not fit a 260-byte buffer, the size of the copy that
// the archive is opened from.
bool TempFilePath(const char* temp_name, char* path) {
  char folder[kTempFolderBufferSize];
  DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return false;
  return BuildTempFilePath(folder, temp_name, path, kPathSize);
}

// Removes whatever stands at path. A symbolic link or junction is removed
// itself, never what it points to, even when that is missing; only a plain
// file loses its read-only mark first.
void RemoveExisting(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  // Folders and links to folders go only with RemoveDirectoryA.
  if (!DeleteFileA(path)) RemoveDirectoryA(path);
}

// The setup often runs elevated and the name is fixed: the file is created
// only when nothing stands at the name any more, and a link planted there
// in the meantime makes the creation fail instead of being followed.
bool WriteTempFile(const char* path, const void* data, DWORD size) {
  RemoveExisting(path);
  // Marked temporary, so that Windows keeps the short-lived file in its
  // cache instead of flushing it to the disk.
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, data, size, &written, nullptr) && written == size;
  if (!CloseHandle(file)) ok = FALSE;
  if (!ok) DeleteFileA(path);
  return ok;
}

}  // namespace

int ExtractPayload(int resource_id, const char* resource_type, const char* temp_name,
                   const char* folder) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(resource_id), resource_type);
  if (found == nullptr) return -1;
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (loaded == nullptr) return -1;
  const void* data = LockResource(loaded);
  if (data == nullptr) return -1;
  DWORD size = SizeofResource(nullptr, found);

  char temp_path[kPathSize];
  if (!TempFilePath(temp_name, temp_path)) return -1;
  // The resource is written from where it is mapped, without a copy.
  if (!WriteTempFile(temp_path, data, size)) return -1;

  int result = UnzipToFolder(temp_path, folder);
  DeleteFileA(temp_path);
  return result;
}
