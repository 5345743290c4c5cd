// Walking the archive with minizip: the free-space check, the staging of
// every entry below the target folder, then the commit.
#include "engine/unpacking/entry_extraction.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <utility>
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
#include "engine/unpacking/entry_inflater.h"
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

// One entry as the central directory lists it.
struct SurveyedEntry {
  std::string name;
  unz_file_info info;
};

// The archive's central directory: every entry, what they unpack to in
// bytes, and every folder they land in ("" for the target folder itself).
bool SurveyArchive(unzFile archive, std::vector<SurveyedEntry>* entries,
                   unsigned long long* total, std::set<std::string>* folders) {
  folders->insert("");
  int status = unzGoToFirstFile(archive);
  while (status == UNZ_OK) {
    SurveyedEntry entry;
    char name[kEntryNameSize];
    if (!ReadEntryInfo(archive, &entry.info, name)) return false;
    entry.name = name;
    *total += entry.info.uncompressed_size;
    std::string_view folder = EntryFolderPart(name);
    if (!folder.empty() && IsSafeEntryName(folder)) folders->insert(std::string(folder));
    entries->push_back(std::move(entry));
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

// What becomes of one entry, decided before any data is read.
struct EntryStep {
  enum Kind { kFolder, kKept, kStage, kStop } kind = kStop;
  HeldEntryFolder* folder = nullptr;  // kStage: the entry's held folder
  int error = 0;                      // kStop: the error that fails the run
  DWORD windows_error = 0;            // kStop of a file entry: noted with it
  bool noted = false;                 // kStop: the entry is noted as failed
};

EntryStep Stop(int error, bool noted) {
  EntryStep step;
  step.error = error;
  step.noted = noted;
  step.windows_error = GetLastError();
  return step;
}

// Nothing of an entry is written unless its name stays inside the folder;
// its folders are made real and held. A read-only file at a file entry's
// name stays, and its data is not read; a folder there fails the run.
EntryStep DecideEntry(const std::string& name, Staging& staging) {
  if (!IsSafeEntryName(name)) return Stop(UNZ_BADZIPFILE, false);
  EntryStep step;
  if (EntryNamePart(name).empty()) {
    if (!staging.folders.Hold(name, &staging.created_folders)) return Stop(kWriteError, false);
    step.kind = EntryStep::kFolder;
    return step;
  }
  step.folder = staging.folders.Hold(std::string(EntryFolderPart(name)), &staging.created_folders);
  if (step.folder == nullptr) return Stop(kWriteError, true);
  const DWORD attributes =
      HeldEntryFolders::AttributesIn(*step.folder, std::string(EntryNamePart(name)));
  if (IsFolder(attributes)) return Stop(kWriteError, true);
  step.kind = IsReadOnlyFile(attributes) ? EntryStep::kKept : EntryStep::kStage;
  return step;
}

// Writes the inflated pieces of one entry into a fresh file beside its
// name, with the entry's times; complete once its CRC is checked. 0, or
// the error that fails the run.
int StageFileEntry(EntryInflater& inflater, const SurveyedEntry& entry, HeldEntryFolder& folder,
                   Staging& staging) {
  const HANDLE file = CreateFreshFile(folder, entry.name.c_str(), staging);
  if (file == INVALID_HANDLE_VALUE) return kWriteError;
  for (;;) {
    InflatedPiece piece = inflater.Next();
    if (piece.last && piece.error != 0) return piece.error;
    if (piece.last) break;
    DWORD written = 0;
    if (!WriteFile(file, piece.bytes.data(), static_cast<DWORD>(piece.length), &written,
                   nullptr) ||
        written != piece.length) {
      return kWriteError;
    }
    inflater.Recycle(std::move(piece.bytes));
    AnswerNowAndThen();
  }
  // Through the handle, so the times never go to anything else.
  SetEntryFileTime(file, entry.info.dosDate);
  // Past a bound, a staged file is closed now and moved by its path.
  if (staging.entries.size() > kStagedFilesKeptOpen && !staging.entries.back().file.Close()) {
    return kWriteError;
  }
  return 0;
}

// Stages the entries as decided, in archive order, while the inflater
// inflates the next ones. 0, or the error that fails the run.
int StageEntries(unzFile archive, const std::vector<SurveyedEntry>& entries,
                 const std::vector<EntryStep>& steps, Staging& staging, UnpackingResult& result) {
  std::vector<InflaterEntry> wanted(steps.size());
  for (std::size_t i = 0; i < steps.size(); ++i) {
    wanted[i] = {steps[i].kind == EntryStep::kStage, entries[i].info.uncompressed_size};
  }
  EntryInflater inflater(archive, std::move(wanted), kEntryBufferSize);
  int error = 0;
  for (std::size_t i = 0; i < steps.size() && error == 0; ++i) {
    const char* name = entries[i].name.c_str();
    const EntryStep& step = steps[i];
    if (step.kind == EntryStep::kKept) NoteEntryOutcome(result, name, EntryOutcome::kKeptReadOnly);
    if (step.kind == EntryStep::kStop) {
      SetLastError(step.windows_error);
      error = step.error;
    } else if (step.kind == EntryStep::kStage) {
      error = StageFileEntry(inflater, entries[i], *step.folder, staging);
    }
    if (error != 0 && (step.kind == EntryStep::kStage || step.noted)) {
      NoteEntryOutcome(result, name, EntryOutcome::kFailed, GetLastError());
    }
    AnswerNowAndThen();
  }
  const int walked = inflater.Finish();
  return error != 0 ? error : walked;
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
  std::vector<SurveyedEntry> entries;
  unsigned long long total = 0;
  std::set<std::string> folders;
  if (!SurveyArchive(archive, &entries, &total, &folders)) return result;
  Staging staging(folder, held_folder);
  FinishEarlierRun(folder, std::vector<std::string>(folders.begin(), folders.end()),
                   staging.folders);
  if (!RoomForAll(folder, total, result)) return result;

  // Every entry decided up to the first that fails the run.
  std::vector<EntryStep> steps;
  for (const SurveyedEntry& entry : entries) {
    steps.push_back(DecideEntry(entry.name, staging));
    if (steps.back().kind == EntryStep::kStop) break;
  }
  if (StageEntries(archive, entries, steps, staging, result) != 0) {
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
