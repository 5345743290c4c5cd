// What one installation came to, gathered in one record as it goes: what
// became of the files, what stopped it, and how it ended. Start-up and the
// wizard's pages read it afterwards.
#pragma once

#include <string>
#include <vector>

#include "common/messages.h"

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

  // From the unpacking (engine/unpacking/unpacking_result.h): entry names,
  // as in the archive, and whether the restart list could be read.
  std::vector<std::string> kept_read_only;
  std::vector<std::string> replaced_at_restart;
  std::vector<std::string> earlier_file_at_restart;
  bool restart_list_unreadable = false;

  // Registry values and links that could not be written.
  int failed_integration_entries = 0;

  // The settings folder as given, when it lies in each user's profile and
  // the setup runs as SYSTEM: only the redirection was written, and each
  // user's viewer starts with its defaults. Empty otherwise.
  std::string settings_left_to_users;
  // The settings files (full paths) that were not written whole.
  std::vector<std::string> settings_not_written;
  // Why the settings folder was refused (the message's words), when the
  // settings stay in the program folder instead; empty otherwise.
  ShownText settings_folder_refused;
};
