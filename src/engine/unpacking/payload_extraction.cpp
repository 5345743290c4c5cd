// The payload resource on its way to the temporary archive file.
#include "engine/unpacking/payload_extraction.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "common/code_page_bytes.h"
#include "common/install_options.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "engine/unpacking/entry_extraction.h"
#include "files/temp_folders.h"
#include "rules/payload_rules.h"
#include "rules/run_log_rules.h"
#include "rules/text_rules.h"
#include "rules/upgrade_rules.h"

namespace {

// Writes the archive into the fresh folder; the name is new there, so the
// file is created, never opened.
bool WriteTempFile(const char* path, const void* data, DWORD size) {
  // Marked temporary, so that Windows keeps the short-lived file in its
  // cache instead of flushing it to the disk.
  ScopedHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) {
    TheRunLog().NoteFailure(std::string("cannot create the temporary archive ") + path,
                            GetLastError());
    return false;
  }
  DWORD written = 0;
  BOOL ok = WriteFile(file.Get(), data, size, &written, nullptr) && written == size;
  DWORD error = ok ? ERROR_SUCCESS : GetLastError();
  if (!file.Close() && ok) {
    ok = FALSE;
    error = GetLastError();
  }
  if (!ok) {
    TheRunLog().NoteFailure(std::string("cannot write the temporary archive ") + path, error);
  }
  return ok;
}

// The archive's path in the private folder, and the archive written there.
// The path must fit a 260-byte buffer, the size of the copy that the
// archive is opened from.
int WriteAndUnzip(const char* private_folder, const char* temp_name, const void* data, DWORD size,
                  const char* folder, InstallationOutcome& outcome) {
  char temp_path[kPathSize];
  if (!BuildTempFilePath(private_folder, temp_name, temp_path, kPathSize,
                         CodePageCharacters::Of(SystemAnsiCodePage()))) {
    BlameTemporaryArchive(outcome, private_folder);
    return -1;
  }
  TheRunLog().Note(std::string("temporary archive: ") + temp_path);
  // The resource is written from where it is mapped, without a copy.
  int result = -1;
  if (!WriteTempFile(temp_path, data, size)) {
    BlameTemporaryArchive(outcome, temp_path);
  } else {
    result = UnzipToFolder(temp_path, folder, outcome);
  }
  if (DeleteFileA(temp_path)) {
    TheRunLog().Note("temporary archive removed");
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
    TheRunLog().NoteFailure(std::string("cannot remove the temporary archive ") + temp_path,
                            GetLastError());
  }
  return result;
}

}  // namespace

int ExtractPayload(int resource_id, const char* resource_type, const char* temp_name,
                   const char* folder, InstallationOutcome& outcome) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(resource_id), resource_type);
  HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) {
    TheRunLog().NoteFailure("the viewer archive is missing from the setup", GetLastError());
    return -1;
  }
  DWORD size = SizeofResource(nullptr, found);

  char private_folder[kPathSize];
  if (!CreatePrivateFolder(private_folder)) {
    BlameTemporaryArchive(outcome, private_folder);
    return -1;
  }
  int result = WriteAndUnzip(private_folder, temp_name, data, size, folder, outcome);
  if (!RemoveDirectoryA(private_folder)) {
    TheRunLog().NoteFailure(std::string("cannot remove the temporary folder ") + private_folder,
                            GetLastError());
  }
  return result;
}
