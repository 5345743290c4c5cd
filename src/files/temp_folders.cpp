#include "files/temp_folders.h"

#include <windows.h>

#include <string>
#include <vector>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "common/fresh_names.h"
#include "common/install_options.h"
#include "common/random_number.h"
#include "common/run_log.h"
#include "files/file_identity.h"
#include "files/folder_protection.h"
#include "rules/code_page_characters.h"
#include "rules/payload_rules.h"
#include "rules/text_rules.h"
#include "rules/upgrade_rules.h"

namespace {

using GetTempPath2Function = DWORD(WINAPI*)(DWORD, LPWSTR);

}  // namespace

// Where Windows has GetTempPath2W (Windows 11, Windows 10 since its 2025
// updates), SYSTEM gets its own "C:\Windows\SystemTemp" instead of
// "C:\Windows\Temp", where every user may create folders; every other
// account gets the same folder as from GetTempPathW. Taken in UTF-16: a
// profile folder with characters beyond the code page is named by its
// short form.
bool TempFolder(char* temp, DWORD* error) {
  static const auto get_temp_path_2 = reinterpret_cast<GetTempPath2Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTempPath2W")));
  wchar_t wide[kTempFolderBufferSize];
  const DWORD length = get_temp_path_2 != nullptr ? get_temp_path_2(kTempFolderBufferSize, wide)
                                                  : GetTempPathW(kTempFolderBufferSize, wide);
  if (length == 0 || length >= kTempFolderBufferSize) {
    *error = GetLastError();
    return false;
  }
  std::string ansi;
  if (!AnsiPathOf(wide, &ansi)) {
    TheRunLog().Note("temporary folder beyond the code page, without a short name: " +
                     TextOf(wide, CP_ACP));
    *error = ERROR_NO_UNICODE_TRANSLATION;
    return false;
  }
  if (CopyBounded(temp, kTempFolderBufferSize, ansi)) return true;
  *error = GetLastError();
  return false;
}

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
  DWORD error = ERROR_SUCCESS;
  if (!TempFolder(temp, &error)) {
    TheRunLog().NoteFailure("temporary folder unknown", error);
    return false;
  }
  FolderProtection security = FolderProtection::ForPrivateFolder();
  if (security.attributes() == nullptr) {
    TheRunLog().NoteFailure("cannot build the temporary folder's permissions", GetLastError());
    return false;
  }
  CopyBounded(folder, kPathSize, temp);
  auto create = [&](unsigned number) {
    const std::string name = PrivateTempFolderName(number, RandomNumber());
    if (!BuildTempFilePath(temp, name, folder, kPathSize,
                           CodePageCharacters::Of(SystemAnsiCodePage()))) {
      TheRunLog().Note(std::string("temporary folder too long: ") + temp);
      return FreshTry::kFailed;
    }
    if (CreateDirectoryA(folder, security.attributes())) return FreshTry::kMade;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) return FreshTry::kAgain;
    TheRunLog().NoteFailure(std::string("cannot create the temporary folder ") + folder, error);
    return FreshTry::kFailed;
  };
  const FreshTry made = TryFreshNames(create);
  if (made == FreshTry::kAgain) TheRunLog().Note(std::string("no fresh temporary folder in ") + temp);
  return made == FreshTry::kMade;
}

PrivateFolder::~PrivateFolder() {
  if (held_ && !DeleteWhenClosed(held_)) {
    TheRunLog().NoteFailure("cannot remove the temporary folder " + path_, GetLastError());
  }
}

bool PrivateFolder::Make() {
  char folder[kPathSize] = "";
  const bool made = CreatePrivateFolder(folder);
  path_ = folder;
  if (!made) return false;
  // Held by its path once: what stands there must be the folder just made,
  // which this account owns, not one that another account put at the name
  // after moving a level above it aside. Left alone then, for the next
  // run's sweep.
  held_ = HoldRealFolder(path_, DELETE | READ_CONTROL);
  if (!held_ || !OwnedByThisAccount(held_)) {
    TheRunLog().NoteFailure("cannot hold the temporary folder " + path_, GetLastError());
    held_ = ScopedHandle();
    return false;
  }
  return true;
}

namespace {

// Removes one private folder of a killed run and the files it held. Anyone may create folders in the temporary folder of SYSTEM
// where Windows gives it no private one, so one found here may be another
// user's, or have become a link to another folder since it was listed:
// only a real folder that this account owns is entered, opened relative to
// the held temporary folder by its own name, held while its archive goes,
// and the archive is deleted relative to it, through a handle to exactly it.
void RemovePrivateFolder(const ScopedHandle& temp, const std::wstring& name,
                         const std::string& shown, std::initializer_list<const char*> files,
                         OwnerCheck owned_by_this_account) {
  ScopedHandle held = HoldRealFolderIn(temp, name, DELETE | READ_CONTROL);
  if (!held) return;
  if (!owned_by_this_account(held)) {
    TheRunLog().Note("temporary folder of another account left alone: " + shown);
    return;
  }
  for (const char* file : files) DeleteRealFileIn(held, file);
  // Goes when the handle closes; a folder that holds anything else stays.
  DeleteWhenClosed(held);
}

}  // namespace

void RemoveLeftoverTempFolders(std::initializer_list<const char*> files,
                               OwnerCheck owned_by_this_account) {
  char temp[kTempFolderBufferSize];
  DWORD error = ERROR_SUCCESS;
  if (!TempFolder(temp, &error)) return;
  std::string base(temp);
  if (!CodePageCharacters::Of(SystemAnsiCodePage()).EndsWith(base, '\\')) base += '\\';
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
      RemovePrivateFolder(held, item.name, base + name, files, owned_by_this_account);
    }
  }
}
