// The two phases of an extraction. Staging writes every file entry into a
// fresh file beside its name and touches no name; the commit puts them all
// in place only once every entry is staged, with a journal in the folder so
// that the next run can finish a commit that was killed.
#pragma once

#include <string>
#include <vector>

#include "common/scoped_win.h"
#include "engine/unpacking/unpacking_result.h"
#include "files/entry_folders.h"

// Names relative to the target folder, as the journal lists them.
struct StagedEntry {
  std::string staged;  // the fresh file that holds the entry's data
  std::string name;    // the entry's name
  // The fresh file, still open (no sharing, DELETE access) until it takes
  // the entry's name through this handle; empty once closed.
  ScopedHandle file;
  HeldEntryFolder* folder = nullptr;  // the entry's held folder
};

// Everything one run has made before its commit.
struct Staging {
  // root: the target folder, canonical, ending in a backslash; target: its
  // held handle, which outlives the staging.
  Staging(const std::string& root, const ScopedHandle& target) : root(root), folders(root, target) {}

  std::string root;
  std::vector<StagedEntry> entries;
  std::vector<std::string> created_folders;  // full paths, in the order they were made
  HeldEntryFolders folders;                  // every entry's folder, held once

  std::string Path(const std::string& relative) const { return root + relative; }
};

// The journal's name in the target folder.
constexpr char kJournalName[] = "~pmarag-journal.pm";

// Writes folder_part (empty, or ending in "/" or "\") followed by a fresh
// name ("~" + number's eight hex digits + ".pm", number from RandomNumber)
// into fresh (size bytes). False when it does not fit.
bool MakeFreshName(const char* folder_part, unsigned number, char* fresh, unsigned size);

// How one staged file was put at its name.
struct CommitStep {
  EntryOutcome outcome = EntryOutcome::kFailed;
  std::string aside;        // where the earlier file went; empty when none was moved
  unsigned long error = 0;  // the Windows error of a failed step
};

// Puts staged at name (full paths): moves a file at name aside to a fresh name in the
// same folder (kept for the caller to remove or to move back), then moves
// staged to name. A file that cannot be moved aside because another program
// holds it is replaced at the restart instead. A link at name is replaced
// directly: the link itself, never what it points to.
CommitStep CommitEntry(const std::string& staged, const std::string& name);

// Deletes a file moved aside; one that a running program holds (a loaded
// library, a running program's own file) is deleted at the restart.
void RemoveAside(const std::string& aside);

// Removes every staged file (one still open through its handle) and every
// folder of the run that is still empty, newest first, once the folders
// are let go: the folder is as it was before the run.
void DiscardStaging(Staging& staging);

// Puts every staged file at its entry's name. A file at the name is moved
// aside to a fresh name first and deleted once all are in place (at the
// restart when a running program holds it); a file that cannot even be
// moved aside is replaced at the restart. A read-only file was kept while
// staging. What the user is told of goes to result. True when done; false
// when the journal or a move failed or the restart list could not be
// written: then every name has its earlier file again and the staging is
// discarded.
// A staged file still open takes its name through its handle, relative
// to its held folder, where nothing stands at the name.
bool CommitStaging(Staging& staging, UnpackingResult& result);
