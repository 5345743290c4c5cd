// What one extraction did with each file entry, for the setup log and for
// whoever else wants to hear of it.
#pragma once

#include <string>
#include <vector>

enum class EntryOutcome {
  kWritten,            // nothing stood at the name; the new file is there
  kReplaced,           // the earlier file was replaced
  kKeptReadOnly,       // a read-only file stands at the name and stays
  kReplacedAtRestart,  // in use: Windows puts the new file in place at the restart
  kFailed,             // the entry failed the run (error: the Windows or minizip error)
};

struct ExtractionReport {
  // Called once for every file entry with its outcome, when set.
  void (*on_entry)(void* context, const char* name, EntryOutcome outcome,
                   unsigned long error) = nullptr;
  void* context = nullptr;

  // Entry names, as in the archive.
  std::vector<std::string> kept_read_only;
  std::vector<std::string> replaced_at_restart;

  // The free-space check: what the archive unpacks to and what the volume
  // offers; short when the first exceeds the second and nothing was written.
  unsigned long long needed_bytes = 0;
  unsigned long long free_bytes = 0;
  bool space_short = false;
};

// The one place every entry's outcome passes through. report may be null.
void NoteEntryOutcome(ExtractionReport* report, const char* name, EntryOutcome outcome,
                      unsigned long error = 0);
