// The payload resource on its way to the temporary archive file.
#include "engine/unpacking/payload_extraction.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "common/install_options.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "engine/unpacking/entry_extraction.h"
#include "files/file_identity.h"
#include "files/held_folders.h"
#include "files/temp_folders.h"
#include "rules/payload_rules.h"
#include "rules/run_log_rules.h"
#include "rules/text_rules.h"
#include "rules/upgrade_rules.h"

namespace {

#ifdef PELLUMARA_TEST_SEAMS
ArchiveWrittenHook g_archive_written = nullptr;
#endif

// Writes the archive as a new file in the held private folder, made
// relative to its handle, and keeps the handle: the archive is read back
// through it, never opened by its name again, which by then may lead to
// another file. Shared with nobody: while the setup holds it, nobody opens
// it to write, rename or delete it. Marked temporary, so that Windows
// keeps the short-lived file in its cache instead of flushing it to the
// disk. Empty, noted in the run log, when it cannot be written.
ScopedHandle WriteTempFile(const PrivateFolder& private_folder, const char* temp_name,
                           const char* path, const void* data, DWORD size) {
  ScopedHandle file = CreateInFolder(private_folder.held(), WideOf(temp_name, CP_ACP),
                                     FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE, 0,
                                     FILE_ATTRIBUTE_TEMPORARY);
  if (!file) {
    TheRunLog().NoteFailure(std::string("cannot create the temporary archive ") + path,
                            GetLastError());
    return file;
  }
  DWORD written = 0;
  if (!WriteFile(file.Get(), data, size, &written, nullptr) || written != size) {
    TheRunLog().NoteFailure(std::string("cannot write the temporary archive ") + path,
                            GetLastError());
    DeleteWhenClosed(file);
    return ScopedHandle();
  }
  return file;
}

// The archive written into the private folder, unpacked through its
// handle, and removed through it. Its path, which the log and the user are
// told, must fit a 260-byte buffer.
UnpackingResult WriteAndUnzip(const PrivateFolder& private_folder, const char* temp_name,
                              const void* data, DWORD size, const char* folder,
                              const ScopedHandle* held_folder) {
  UnpackingResult blamed;
  char temp_path[kPathSize];
  if (!BuildTempFilePath(private_folder.path(), temp_name, temp_path, kPathSize,
                         CodePageCharacters::Of(SystemAnsiCodePage()))) {
    blamed.temp_at_fault = private_folder.path();
    return blamed;
  }
  TheRunLog().Note(std::string("temporary archive: ") + temp_path);
  // The resource is written from where it is mapped, without a copy.
  ScopedHandle archive = WriteTempFile(private_folder, temp_name, temp_path, data, size);
  if (!archive) {
    blamed.temp_at_fault = temp_path;
    return blamed;
  }
#ifdef PELLUMARA_TEST_SEAMS
  if (g_archive_written != nullptr) g_archive_written(temp_path);
#endif
  UnpackingResult result = UnzipToFolder(archive.Get(), folder, held_folder);
  if (DeleteWhenClosed(archive) && archive.Close()) {
    TheRunLog().Note("temporary archive removed");
  } else {
    TheRunLog().NoteFailure(std::string("cannot remove the temporary archive ") + temp_path,
                            GetLastError());
  }
  return result;
}

}  // namespace

UnpackingResult ExtractPayload(int resource_id, const char* resource_type, const char* temp_name,
                               const char* folder, const ScopedHandle* held_folder) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(resource_id), resource_type);
  HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) {
    TheRunLog().NoteFailure("the viewer archive is missing from the setup", GetLastError());
    return UnpackingResult();
  }
  DWORD size = SizeofResource(nullptr, found);

  // Held until it is removed, when this goes.
  PrivateFolder private_folder;
  if (!private_folder.Make()) {
    UnpackingResult blamed;
    blamed.temp_at_fault = private_folder.path();
    return blamed;
  }
  return WriteAndUnzip(private_folder, temp_name, data, size, folder, held_folder);
}

#ifdef PELLUMARA_TEST_SEAMS
void SetArchiveWrittenHookForTests(ArchiveWrittenHook hook) { g_archive_written = hook; }
#endif
