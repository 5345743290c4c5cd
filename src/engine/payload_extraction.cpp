// The payload resource on its way to the temporary archive file.
#include "engine/payload_extraction.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/ansi_path.h"
#include "common/install_options.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "engine/entry_extraction.h"
#include "engine/folder_protection.h"
#include "engine/held_folder.h"
#include "engine/planted_links.h"
#include "engine/random_number.h"
#include "engine/viewer_settings.h"
#include "rules/payload_rules.h"
#include "rules/run_log_rules.h"
#include "rules/text_rules.h"
#include "rules/upgrade_rules.h"

namespace {

constexpr int kPrivateFolderAttempts = 16;

using GetTempPath2Function = DWORD(WINAPI*)(DWORD, LPWSTR);

}  // namespace

// Where Windows has GetTempPath2W (Windows 11, Windows 10 since its 2025
// updates), SYSTEM gets its own "C:\Windows\SystemTemp" instead of
// "C:\Windows\Temp", where every user may create folders; every other
// account gets the same folder as from GetTempPathW. Taken in UTF-16: a
// profile folder with characters beyond the code page is named by its
// short form.
bool TempFolder(char* temp) {
  static const auto get_temp_path_2 = reinterpret_cast<GetTempPath2Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTempPath2W")));
  wchar_t wide[kTempFolderBufferSize];
  const DWORD length = get_temp_path_2 != nullptr ? get_temp_path_2(kTempFolderBufferSize, wide)
                                                  : GetTempPathW(kTempFolderBufferSize, wide);
  if (length == 0 || length >= kTempFolderBufferSize) return false;
  std::string ansi;
  if (!AnsiPathOf(wide, &ansi)) {
    TheRunLog().Note("temporary folder beyond the code page, without a short name: " +
                     TextOf(wide, CP_ACP));
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return false;
  }
  return CopyBounded(temp, kTempFolderBufferSize, ansi);
}

namespace {

// Creates a folder of the setup's own in the temporary folder, under a name
// nobody can foresee, and writes its path to folder (kPathSize bytes).
// CreateDirectoryA fails when anything stands at the name, a link included,
// so whatever was placed in the temporary folder, and the folder of another
// setup running at the same time, is never used: another name is taken.
// The folder is made with the private folders' permissions, on every run:
// it inherits nothing of a temporary folder where others may add files
// ("C:\Windows\Temp" of SYSTEM, or wherever TEMP points), and in the
// user's own one they name the same people as it would inherit.
// False when the temporary folder is unknown or no folder could be made;
// folder then holds the last path tried, or the temporary folder.
bool CreatePrivateFolder(char* folder) {
  folder[0] = '\0';
  char temp[kTempFolderBufferSize];
  if (!TempFolder(temp)) {
    TheRunLog().NoteFailure("temporary folder unknown", GetLastError());
    return false;
  }
  FolderProtection security = FolderProtection::ForPrivateFolder();
  if (security.attributes() == nullptr) {
    TheRunLog().NoteFailure("cannot build the temporary folder's permissions", GetLastError());
    return false;
  }
  CopyBounded(folder, kPathSize, temp);
  for (int attempt = 0; attempt < kPrivateFolderAttempts; ++attempt) {
    const std::string name = PrivateTempFolderName(RandomNumber(), RandomNumber());
    if (!BuildTempFilePath(temp, name, folder, kPathSize)) {
      TheRunLog().Note(std::string("temporary folder too long: ") + temp);
      return false;
    }
    if (CreateDirectoryA(folder, security.attributes())) return true;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) {
      TheRunLog().NoteFailure(std::string("cannot create the temporary folder ") + folder, error);
      return false;
    }
  }
  TheRunLog().Note(std::string("no fresh temporary folder in ") + temp);
  return false;
}

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
  if (!BuildTempFilePath(private_folder, temp_name, temp_path, kPathSize)) {
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

// Removes one private folder of a killed run and the archive it held, its
// only file. Anyone may create folders in the temporary folder of SYSTEM
// where Windows gives it no private one, so one found here may be another
// user's, or have become a link to another folder since it was listed:
// only a real folder that this account owns is entered, opened relative to
// the held temporary folder by its own name, held while its archive goes,
// and the archive is deleted relative to it, through a handle to exactly it.
void RemovePrivateFolder(const ScopedHandle& temp, const std::wstring& name,
                         const std::string& shown, const char* temp_name,
                         OwnerCheck owned_by_this_account) {
  ScopedHandle held = HoldRealFolderIn(temp, name, DELETE | READ_CONTROL);
  if (!held) return;
  if (!owned_by_this_account(held)) {
    TheRunLog().Note("temporary folder of another account left alone: " + shown);
    return;
  }
  DeleteRealFileIn(held, temp_name);
  DeleteRealFileIn(held, kSettingsFileName);  // a settings work folder's file
  // Goes when the handle closes; a folder that holds anything else stays.
  DeleteWhenClosed(held);
}

}  // namespace

void RemoveLeftoverTempFolders(OwnerCheck owned_by_this_account) {
  char temp[kTempFolderBufferSize];
  if (!TempFolder(temp)) return;
  std::string base(temp);
  if (base.back() != '\\') base += '\\';
  // Listed through a handle of its own, and each folder found is opened
  // relative to that handle by its UTF-16 name, never by a path.
  ScopedHandle held(CreateFileA(base.c_str(), FILE_LIST_DIRECTORY,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  std::vector<HeldItem> items;
  if (!held || !ListHeldFolder(held, &items, kPrivateTempFolderPattern)) return;
  for (const HeldItem& item : items) {
    // A name the code page cannot hold exactly is none of the setup's.
    std::string name;
    if ((item.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(item.attributes & FILE_ATTRIBUTE_REPARSE_POINT) && ExactAnsiOf(item.name, &name) &&
        IsPrivateTempFolderName(name)) {
      RemovePrivateFolder(held, item.name, base + name, kPayloadTempName, owned_by_this_account);
    }
  }
}

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
