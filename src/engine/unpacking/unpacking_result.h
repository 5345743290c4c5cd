// What one unpacking came to, returned to the flow that asked for it:
// whether the viewer's files went in, what became of those the user is
// told about, and what stopped it.
#pragma once

#include <string>
#include <vector>

#include "rules/run_log_rules.h"  // EntryOutcome

struct UnpackingResult {
  // Every entry went in or was kept; the folder is as it was otherwise.
  bool unpacked = false;

  // Entry names, as in the archive.
  std::vector<std::string> kept_read_only;
  std::vector<std::string> replaced_at_restart;
  // Entry names whose file an earlier run's replacement, held open by
  // another program, puts back at the restart: this run's could not be put
  // after it.
  std::vector<std::string> earlier_file_at_restart;
  // The restart list could not be read after the commit: an earlier run's
  // replacement may bring an older file back at the restart.
  bool restart_list_unreadable = false;

  // The free-space check: what the archive unpacks to and what the volume
  // offers; short when the first exceeds the second and nothing was written.
  unsigned long long needed_bytes = 0;
  unsigned long long free_bytes = 0;
  bool space_short = false;

  // The path at fault: the temporary archive (or its folder) when it could
  // not be made, written or opened; empty when the failure lies in the
  // target.
  std::string temp_at_fault;
};

// The one place every entry's outcome passes through: the run log notes it
// (error: the Windows error, or the archive reader's negative code), and
// result keeps a file kept or replaced at the restart.
void NoteEntryOutcome(UnpackingResult& result, const char* name, EntryOutcome entry_outcome,
                      unsigned long error = 0);
