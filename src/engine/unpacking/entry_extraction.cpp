// Walking the archive with minizip: the free-space check, the staging of
// every entry below the target folder, then the commit.
#include "engine/unpacking/entry_extraction.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "common/ansi_path.h"
#include "common/answering_wait.h"
#include "common/code_page_bytes.h"
#include "common/fresh_names.h"
#include "common/install_options.h"
#include "common/scoped_win.h"
#include "engine/unpacking/buffered_archive.h"
#include "engine/unpacking/earlier_runs.h"
#include "engine/unpacking/entry_commit.h"
#include "files/entry_folders.h"
#include "files/file_identity.h"
#include "files/held_folders.h"
#include "rules/payload_rules.h"
#include "rules/text_rules.h"
#include "rules/upgrade_rules.h"

namespace {

constexpr unsigned kEntryNameSize = 520;
constexpr int kWriteError = -1;
// Staged files stay open until they take their names, within this many.
constexpr std::size_t kStagedFilesKeptOpen = 2048;

// The current entry's information and name; false for a name that could
// not be kept whole (minizip cuts a longer one without terminating it).
bool ReadEntryInfo(unzFile archive, unz_file_info* info, char* name) {
  return unzGetCurrentFileInfo(archive, info, name, kEntryNameSize, nullptr, 0, nullptr, 0) ==
             UNZ_OK &&
         info->size_filename < kEntryNameSize;
}

// The archive's central directory: what it unpacks to in bytes, and every
// folder its entries land in ("" for the target folder itself).
bool SurveyArchive(unzFile archive, unsigned long long* total, std::set<std::string>* folders) {
  folders->insert("");
  int status = unzGoToFirstFile(archive);
  while (status == UNZ_OK) {
    unz_file_info info;
    char name[kEntryNameSize];
    if (!ReadEntryInfo(archive, &info, name)) return false;
    *total += info.uncompressed_size;
    std::string_view folder = EntryFolderPart(name);
    if (!folder.empty() && IsSafeEntryName(folder)) folders->insert(std::string(folder));
    status = unzGoToNextFile(archive);
  }
  return status == UNZ_END_OF_LIST_OF_FILE && unzGoToFirstFile(archive) == UNZ_OK;
}

// Too little room on the target's volume fails the run before anything is
// written. Where the free space cannot be learned, staging finds out.
bool RoomForAll(const std::string& folder, unsigned long long needed, UnpackingResult& result) {
  ULARGE_INTEGER free_to_caller;
  if (!GetDiskFreeSpaceExA(folder.c_str(), &free_to_caller, nullptr, nullptr)) return true;
  if (needed <= free_to_caller.QuadPart) return true;
  result.needed_bytes = needed;
  result.free_bytes = free_to_caller.QuadPart;
  result.space_short = true;
  return false;
}

// Creates a fresh file of the setup's own beside name, in its held folder
// and relative to its handle, under a name nobody can foresee; it goes into
// staging, its handle too. FILE_CREATE never opens what already stands at
// a name, a link included: on a clash another name is taken. Open for
// writing and for the move to its name, shared with nobody meanwhile.
HANDLE CreateFreshFile(HeldEntryFolder& folder, const char* name, Staging& staging) {
  const std::string folder_part(EntryFolderPart(name));
  HANDLE made = INVALID_HANDLE_VALUE;
  TryFreshNames([&](unsigned number) {
    // Short, so that a fresh name fits almost wherever the entry's own
    // name fits within a path's 259 characters.
    char fresh[kEntryNameSize];
    if (!MakeFreshName(folder_part.c_str(), number, fresh, sizeof fresh)) return FreshTry::kFailed;
    ScopedHandle file = CreateInFolder(*folder.handle, WideOf(FreshFileName(number), CP_ACP),
                                       GENERIC_WRITE | DELETE, 0, FILE_ATTRIBUTE_NORMAL);
    if (!file) return IsNameTaken(GetLastError()) ? FreshTry::kAgain : FreshTry::kFailed;
    made = file.Get();
    staging.entries.push_back({fresh, name, std::move(file), &folder});
    return FreshTry::kMade;
  });
  return made;
}

// Windows refuses to replace a read-only file; Wine running as root
// replaces it, so the mark is honoured here explicitly.
bool IsReadOnlyFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Gives file the entry's DOS date (high 16 bits) and time (low 16 bits),
// taken as local time, as creation and last-write time; the last-access
// time stays the file system's own.
void SetEntryFileTime(HANDLE file, unsigned long dos_date_time) {
  FILETIME local, universal;
  if (DosDateTimeToFileTime(HIWORD(dos_date_time), LOWORD(dos_date_time), &local) &&
      LocalFileTimeToFileTime(&local, &universal)) {
    SetFileTime(file, &universal, nullptr, &universal);
  }
}

// Copies the opened entry's data into file through buffer. 0, or the
// first read error, or kWriteError for a write that did not complete or
// data that ended before the entry's declared size (minizip reports such an
// early end as the end of the data, and checks the CRC only of an entry
// read to its declared size); windows_error then says which.
int CopyEntryData(unzFile archive, HANDLE file, char* buffer, unsigned long declared_size,
                  DWORD* windows_error) {
  unsigned long long copied = 0;
  for (;;) {
    int read = unzReadCurrentFile(archive, buffer, kEntryBufferSize);
    if (read == 0) {
      if (copied == declared_size) return 0;
      *windows_error = ERROR_HANDLE_EOF;
      return kWriteError;
    }
    if (read < 0) return read;
    DWORD written = 0;
    if (!WriteFile(file, buffer, static_cast<DWORD>(read), &written, nullptr)) {
      *windows_error = GetLastError();
      return kWriteError;
    }
    if (written != static_cast<DWORD>(read)) {
      *windows_error = ERROR_WRITE_FAULT;
      return kWriteError;
    }
    copied += written;
    AnswerNowAndThen();
  }
}

// Stages one file entry: its data goes into a fresh file beside its name,
// with the entry's times, and is complete once its CRC is checked (on
// closing the entry's data). A read-only file at the name stays, and the
// entry is not read at all. 0, or the error that fails the run; where
// Windows (or what stands at the name) failed it, windows_error says how,
// taken where it happened.
int StageFileEntry(unzFile archive, const char* name, const unz_file_info& info, char* buffer,
                   Staging& staging, UnpackingResult& result, DWORD* windows_error) {
  // The entry's folder, every level real and held; what stands at the name
  // is asked relative to it.
  HeldEntryFolder* folder =
      staging.folders.Hold(std::string(EntryFolderPart(name)), &staging.created_folders);
  if (folder == nullptr) {
    *windows_error = GetLastError();
    return kWriteError;
  }
  const DWORD attributes =
      HeldEntryFolders::AttributesIn(*folder, std::string(EntryNamePart(name)));
  if (IsReadOnlyFile(attributes)) {
    NoteEntryOutcome(result, name, EntryOutcome::kKeptReadOnly);
    return 0;
  }
  // Nothing can be put at a name that holds a folder.
  if (IsFolder(attributes)) {
    *windows_error = ERROR_ALREADY_EXISTS;
    return kWriteError;
  }
  int error = unzOpenCurrentFilePassword(archive, nullptr);
  if (error == UNZ_OK) {
    const HANDLE file = CreateFreshFile(*folder, name, staging);
    if (file == INVALID_HANDLE_VALUE) {
      *windows_error = GetLastError();
      error = kWriteError;
    } else {
      error = CopyEntryData(archive, file, buffer, info.uncompressed_size, windows_error);
      // Through the handle, so the times never go to anything else.
      if (error == 0) SetEntryFileTime(file, info.dosDate);
      // Past a bound, a staged file is closed now and moved by its path.
      if (staging.entries.size() > kStagedFilesKeptOpen && !staging.entries.back().file.Close() &&
          error == 0) {
        *windows_error = GetLastError();
        error = kWriteError;
      }
    }
  }
  int closed = unzCloseCurrentFile(archive);
  return error == 0 ? closed : error;
}

// Stages the current entry; 0 or the error that fails the run.
int StageCurrentEntry(unzFile archive, char* buffer, Staging& staging, UnpackingResult& result) {
  unz_file_info info;
  char name[kEntryNameSize];
  if (!ReadEntryInfo(archive, &info, name)) return UNZ_BADZIPFILE;
  // Nothing of an entry is written unless its name stays inside the folder.
  if (!IsSafeEntryName(name)) return UNZ_BADZIPFILE;
  if (!EntryNamePart(name).empty()) {
    // The archive reader's own errors are noted as such.
    DWORD windows_error = ERROR_SUCCESS;
    int error = StageFileEntry(archive, name, info, buffer, staging, result, &windows_error);
    if (error != 0) {
      NoteEntryOutcome(result, name, EntryOutcome::kFailed,
                       windows_error != ERROR_SUCCESS ? windows_error
                                                      : static_cast<unsigned long>(error));
    }
    return error;
  }
  return staging.folders.Hold(name, &staging.created_folders) != nullptr ? 0 : kWriteError;
}

}  // namespace

UnpackingResult ExtractAllEntries(unzFile archive, const std::string& folder,
                                  const ScopedHandle& held_folder) {
  UnpackingResult result;
  unz_global_info global;
  if (unzGetGlobalInfo(archive, &global) != UNZ_OK) return result;
  if (global.number_entry == 0) {
    result.unpacked = true;
    return result;
  }
  unsigned long long total = 0;
  std::set<std::string> folders;
  if (!SurveyArchive(archive, &total, &folders)) return result;
  FinishEarlierRun(folder, std::vector<std::string>(folders.begin(), folders.end()));
  if (!RoomForAll(folder, total, result)) return result;

  std::vector<char> buffer(kEntryBufferSize);
  Staging staging(folder, held_folder);
  int error = 0;
  for (uLong i = 0; i < global.number_entry && error == 0; ++i) {
    if (i > 0 && unzGoToNextFile(archive) != UNZ_OK) error = UNZ_BADZIPFILE;
    if (error == 0) error = StageCurrentEntry(archive, buffer.data(), staging, result);
    AnswerNowAndThen();
  }
  if (error != 0) {
    DiscardStaging(staging);
    return result;
  }
  result.unpacked = CommitStaging(staging, result);
  return result;
}

UnpackingResult UnzipToFolder(HANDLE archive_file, const char* folder,
                              const ScopedHandle* held_folder) {
  zlib_filefunc_def functions;
  FillBufferedFileFunctions(&functions, archive_file);
  // The name is never opened: the functions read archive_file.
  OpenedArchive archive(unzOpen2("", &functions));
  if (!archive || folder[0] == '\0') return UnpackingResult();
  std::string root(folder);
  if (!CodePageCharacters::Of(SystemAnsiCodePage()).EndsWith(root, '\\')) root += '\\';
  // Every path formed from root leads into the held folder: while the
  // entries go in, it and the levels above it are held by the caller, so
  // that none can be swapped for a link that would lead the writes
  // elsewhere.
  if (held_folder == nullptr || !*held_folder) return UnpackingResult();
  return ExtractAllEntries(archive.Get(), root, *held_folder);
}
