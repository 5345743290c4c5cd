// What one extraction did with each file entry, for the setup log and for
// whoever else wants to hear of it.
#pragma once

#include <string>
#include <vector>

#include "rules/run_log_rules.h"  // EntryOutcome


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

  // The temporary archive's path (or its folder's) when it could not be
  // made, written or opened; empty when the failure lies in the target.
  std::string temp_at_fault;
};

// Names the temporary archive (or its folder) as the cause of a failure.
void BlameTemporaryArchive(ExtractionReport* report, const char* path);

// The one place every entry's outcome passes through: the run log notes it
// (error: the Windows error, or the archive reader's negative code).
// report may be null.
void NoteEntryOutcome(ExtractionReport* report, const char* name, EntryOutcome outcome,
                      unsigned long error = 0);
