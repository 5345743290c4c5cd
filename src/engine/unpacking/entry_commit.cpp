// Putting the staged files in place all at once, and taking them out again
// when that cannot be finished.
#include "engine/unpacking/entry_commit.h"

#include <windows.h>

#include "common/ansi_path.h"
#include "common/answering_wait.h"
#include "common/fresh_names.h"
#include "common/random_number.h"
#include "common/run_log.h"
#include "engine/unpacking/restart_list.h"
#include "files/checked_files.h"
#include "files/file_identity.h"
#include "files/held_folders.h"
#include "rules/payload_rules.h"
#include "rules/text_rules.h"
#include "rules/upgrade_rules.h"

namespace {

constexpr unsigned kFreshPathSize = 520;

// A virus scanner, the search indexer or a sync client opens a file for a
// moment without delete sharing; a move refused for that is tried again
// for this long before the file counts as in use.
constexpr unsigned long kBriefLockMs = 2000;
constexpr unsigned long kRetryPauseMs = 50;

// Access denied also means a read-only file, which a restart cannot
// replace either.
bool IsHeldByAnotherProgram(DWORD error, const std::string& name) {
  if (error == ERROR_ACCESS_DENIED) {
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_READONLY);
  }
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// MoveFileExA that waits out a brief sharing violation; the wizard keeps
// answering meanwhile. False, with the Windows error of the last try.
bool MoveWaitingOutBriefLocks(const char* from, const char* to, DWORD flags, DWORD* error) {
  const ULONGLONG end = GetTickCount64() + kBriefLockMs;
  for (;;) {
    if (MoveFileExA(from, to, flags)) return true;
    *error = GetLastError();
    if (*error != ERROR_SHARING_VIOLATION || GetTickCount64() >= end) return false;
    SleepAnswering(kRetryPauseMs);
  }
}

// Moves the file at name to a fresh name beside it; the fresh name in aside.
// 0, or the Windows error of the move.
DWORD MoveAside(const std::string& name, std::string& aside) {
  const std::string folder(EntryFolderPart(name));
  DWORD error = ERROR_FILE_EXISTS;
  TryFreshNames([&](unsigned number) {
    char fresh[kFreshPathSize];
    if (!MakeFreshName(folder.c_str(), number, fresh, sizeof fresh)) {
      error = ERROR_FILENAME_EXCED_RANGE;
      return FreshTry::kFailed;
    }
    // Without MOVEFILE_REPLACE_EXISTING: a name that is taken is never hit.
    if (MoveWaitingOutBriefLocks(name.c_str(), fresh, 0, &error)) {
      aside = fresh;
      error = 0;
      return FreshTry::kMade;
    }
    return IsNameTaken(error) ? FreshTry::kAgain : FreshTry::kFailed;
  });
  return error;
}

// The commit's list of what it has done, so that it can be taken back.
struct Done {
  const StagedEntry* entry;
  CommitStep step;
};

// Takes the commit back, newest first: each new file goes back to its
// staged name, each earlier file back to its name. A name replaced at the
// restart keeps its file now; its staged file is discarded, so that the
// restart finds nothing to move.
void UndoCommit(const Staging& staging, const std::vector<Done>& done) {
  for (auto it = done.rbegin(); it != done.rend(); ++it) {
    if (it->step.outcome == EntryOutcome::kReplacedAtRestart) continue;
    if (it->step.outcome == EntryOutcome::kReplaced && it->step.aside.empty()) continue;  // a link
    const std::string name = staging.Path(it->entry->name);
    MoveFileExA(name.c_str(), staging.Path(it->entry->staged).c_str(), 0);
    if (!it->step.aside.empty()) MoveFileExA(it->step.aside.c_str(), name.c_str(), 0);
  }
}

// The journal: every staged name and its entry's name, written to a fresh
// file that then takes the journal's name, so that nothing placed at that
// name is ever written through.
bool WriteJournal(const Staging& staging) {
  std::string text;
  for (const StagedEntry& entry : staging.entries) {
    text += FormatJournalLine(entry.staged, entry.name);
  }
  char fresh[kFreshPathSize];
  if (!MakeFreshName(staging.root.c_str(), RandomNumber(), fresh, sizeof fresh)) return false;
  ScopedHandle file(CreateFileA(fresh, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_HIDDEN, nullptr));
  if (!file) return false;
  DWORD written = 0;
  bool ok = WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                      nullptr) &&
            written == text.size();
  if (!file.Close()) ok = false;
  if (ok && MoveFileExA(fresh, staging.Path(kJournalName).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return true;
  }
  DeleteFileA(fresh);
  return false;
}

// An earlier run's replacement of name waits for the restart and could not
// be taken over: a copy of this run's file, now at name, is put after it in
// the restart list, so that the restart puts the newest back last. False,
// with the Windows error, when the copy or the pair cannot be made.
bool ReplaceAfterEarlierReplacement(const std::string& name, DWORD* error) {
  const std::string folder(EntryFolderPart(name));
  auto copy_and_pair = [&](unsigned number) {
    char fresh[kFreshPathSize];
    if (!MakeFreshName(folder.c_str(), number, fresh, sizeof fresh)) {
      *error = ERROR_FILENAME_EXCED_RANGE;
      return FreshTry::kFailed;
    }
    // Fails where anything stands at the fresh name: a link is never
    // written through.
    if (!CopyFileA(name.c_str(), fresh, TRUE)) {
      *error = GetLastError();
      return IsNameTaken(*error) ? FreshTry::kAgain : FreshTry::kFailed;
    }
    if (MoveFileExA(fresh, name.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
      return FreshTry::kMade;
    }
    *error = GetLastError();
    DeleteFileA(fresh);
    return FreshTry::kFailed;
  };
  return TryFreshNames(copy_and_pair) == FreshTry::kMade;
}

}  // namespace

bool MakeFreshName(const char* folder_part, unsigned number, char* fresh, unsigned size) {
  return CopyBounded(fresh, size, folder_part) &&
         AppendBounded(fresh, size, FreshFileName(number));
}

CommitStep CommitEntry(const std::string& staged, const std::string& name) {
  CommitStep step;
  // Where nothing stands yet, as in a first installation, the move alone
  // does it (without MOVEFILE_REPLACE_EXISTING it never touches a name that
  // is taken).
  DWORD error = ERROR_SUCCESS;
  if (MoveWaitingOutBriefLocks(staged.c_str(), name.c_str(), 0, &error)) {
    step.outcome = EntryOutcome::kWritten;
    return step;
  }
  const DWORD attributes = GetFileAttributesA(name.c_str());
  const bool stands = attributes != INVALID_FILE_ATTRIBUTES;
  // A folder made at the name meanwhile is never moved.
  if (stands && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    step.error = ERROR_DIRECTORY;
    return step;
  }
  if (!stands || IsFileLink(name.c_str())) {
    if (MoveWaitingOutBriefLocks(staged.c_str(), name.c_str(),
                                 stands ? MOVEFILE_REPLACE_EXISTING : 0, &error)) {
      step.outcome = stands ? EntryOutcome::kReplaced : EntryOutcome::kWritten;
      return step;
    }
    step.error = error;
    return step;
  }
  error = MoveAside(name, step.aside);
  if (error != 0) {
    // Opened without delete sharing: Windows puts the file in place when
    // it restarts, before any program can hold it again. Only a user who
    // may change the machine's restart list can have that.
    if (IsHeldByAnotherProgram(error, name)) {
      if (MoveFileExA(staged.c_str(), name.c_str(),
                      MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
        step.outcome = EntryOutcome::kReplacedAtRestart;
        return step;
      }
      error = GetLastError();
    }
    step.error = error;
    return step;
  }
  if (MoveWaitingOutBriefLocks(staged.c_str(), name.c_str(), 0, &error)) {
    step.outcome = EntryOutcome::kReplaced;
    return step;
  }
  step.error = error;
  MoveFileExA(step.aside.c_str(), name.c_str(), 0);
  step.aside.clear();
  return step;
}

void RemoveAside(const std::string& aside) {
  if (DeleteRealFile(aside)) return;
  const DWORD error = GetLastError();
  // Nothing there, or no real file of the setup's: nothing to delete later.
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_CANT_ACCESS_FILE) return;
  // A loaded library or a running program can be renamed, not deleted.
  MoveFileExA(aside.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void DiscardStaging(Staging& staging) {
  for (StagedEntry& entry : staging.entries) {
    // One still open goes through its handle.
    if (entry.file) DeleteWhenClosed(entry.file);
    else DeleteRealFile(staging.Path(entry.staged));
    entry.file.Close();
  }
  staging.folders.Release();
  // A folder that now holds anything, the user's files included, stays.
  for (auto it = staging.created_folders.rbegin(); it != staging.created_folders.rend(); ++it) {
    RemoveDirectoryA(it->c_str());
  }
}

// Where nothing stands at its name, the staged file still open takes it
// through its handle, relative to its held folder; otherwise the moves of
// CommitEntry.
CommitStep CommitStaged(StagedEntry& entry, const Staging& staging) {
  if (entry.file) {
    const bool moved = RenameInto(entry.file, *entry.folder->handle,
                                  WideOf(EntryNamePart(entry.name), CP_ACP));
    entry.file.Close();
    if (moved) return CommitStep{EntryOutcome::kWritten, {}, 0};
  }
  return CommitEntry(staging.Path(entry.staged), staging.Path(entry.name));
}

bool CommitStaging(Staging& staging, UnpackingResult& result) {
  if (!WriteJournal(staging)) {
    DiscardStaging(staging);
    return false;
  }
  std::vector<Done> done;
  done.reserve(staging.entries.size());
  for (StagedEntry& entry : staging.entries) {
    AnswerNowAndThen();
    CommitStep step = CommitStaged(entry, staging);
    if (step.outcome == EntryOutcome::kFailed) {
      NoteEntryOutcome(result, entry.name.c_str(), EntryOutcome::kFailed, step.error);
      UndoCommit(staging, done);
      DiscardStaging(staging);
      DeleteFileA(staging.Path(kJournalName).c_str());
      return false;
    }
    done.push_back({&entry, std::move(step)});
  }
  // Only a commit that went through takes over what earlier runs left
  // waiting for the restart; a failed one leaves it as it found it. One
  // that another program holds open cannot be removed: this run's file
  // then waits for the restart behind it (exit 3010, the log names it).
  const RestartList restart_list = RestartList::Read();
  if (!restart_list.Readable()) {
    // Whether an earlier run's replacement brings an older file back at the
    // restart cannot be told: the run does not count as whole.
    TheRunLog().NoteFailure("the restart list (PendingFileRenameOperations) cannot be read: an "
                            "earlier replacement waiting there may bring an older file back at "
                            "the restart",
                            restart_list.ReadError());
    result.restart_list_unreadable = true;
  }
  for (Done& entry : done) {
    if (!restart_list.Readable()) break;
    if (restart_list.TakeOverReplacementsOf(staging.root, entry.entry->name,
                                            entry.entry->staged)) {
      continue;
    }
    const std::string name = staging.Path(entry.entry->name);
    DWORD error = ERROR_SUCCESS;
    if (ReplaceAfterEarlierReplacement(name, &error)) {
      entry.step.outcome = EntryOutcome::kReplacedAtRestart;
    } else {
      TheRunLog().NoteFailure("this run's file cannot wait for the restart behind an earlier "
                              "replacement: the restart brings the earlier one back: " + name,
                              error);
      result.earlier_file_at_restart.push_back(entry.entry->name);
    }
  }
  for (const Done& entry : done) {
    if (!entry.step.aside.empty()) RemoveAside(entry.step.aside);
  }
  DeleteFileA(staging.Path(kJournalName).c_str());
  for (const Done& entry : done) {
    NoteEntryOutcome(result, entry.entry->name.c_str(), entry.step.outcome);
  }
  return true;
}
