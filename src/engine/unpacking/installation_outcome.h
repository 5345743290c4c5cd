// What one installation came to, gathered in one record as it goes: what
// became of the files, what stopped it, and how it ended. Start-up and the
// wizard's pages read it afterwards.
#pragma once

#include <string>
#include <vector>

#include "common/messages.h"
#include "rules/run_log_rules.h"  // EntryOutcome

// How an installation ended; silent mode turns it into the exit code.
enum class InstallResult {
  kInstalled,               // went through
  kFolderRejected,          // target folder not absolute, or it could not be created
  kPayloadFailed,           // the archive could not be unpacked
  kIncomplete,  // went through, but a file was kept, registry writes or links failed, or the
                // users' settings could not be written
  kRestartRequired,      // went through; files in use are replaced at the restart
  kAnotherSetupRunning,  // another setup did not end in time; nothing was done
};

struct InstallationOutcome {
  InstallResult result = InstallResult::kPayloadFailed;
  // The target folder as the installation made it (canonical, ending in a
  // backslash); empty until it exists.
  std::string folder;

  // Entry names, as in the archive.
  std::vector<std::string> kept_read_only;
  std::vector<std::string> replaced_at_restart;
  // The entry that could not be written or put in place, and the Windows
  // error (or the archive reader's negative code) behind it.
  std::string failed_entry;
  unsigned long failed_error = 0;

  // The free-space check: what the archive unpacks to and what the volume
  // offers; short when the first exceeds the second and nothing was written.
  unsigned long long needed_bytes = 0;
  unsigned long long free_bytes = 0;
  bool space_short = false;

  // The path at fault: the temporary archive (or its folder) when it could
  // not be made, written or opened; empty when the failure lies in the
  // target.
  std::string temp_at_fault;

  // Registry values and links that could not be written.
  int failed_integration_entries = 0;

  // The settings folder as given, when it lies in each user's profile and
  // the setup runs as SYSTEM: only the redirection was written, and each
  // user's viewer starts with its defaults. Empty otherwise.
  std::string settings_left_to_users;
  // Entry names whose file an earlier run's replacement, held open by
  // another program, puts back at the restart: this run's could not be put
  // after it.
  std::vector<std::string> earlier_file_at_restart;
  // The restart list could not be read after the commit: an earlier run's
  // replacement may bring an older file back at the restart.
  bool restart_list_unreadable = false;
  // The settings files (full paths) that were not written whole.
  std::vector<std::string> settings_not_written;
  // Why the settings folder was refused (the message's words), when the
  // settings stay in the program folder instead; empty otherwise.
  ShownText settings_folder_refused;
};

// Names the temporary archive (or its folder) as the cause of a failure.
void BlameTemporaryArchive(InstallationOutcome& outcome, const char* path);

// The one place every entry's outcome passes through: the record gathers
// it and the run log notes it (error: the Windows error, or the archive
// reader's negative code).
void NoteEntryOutcome(InstallationOutcome& outcome, const char* name, EntryOutcome entry_outcome,
                      unsigned long error = 0);
