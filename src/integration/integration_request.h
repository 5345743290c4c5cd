// What the system integration is asked to do, as one record the caller fills
// once: every choice is made before, the integration only carries it out.
#pragma once

#include <array>
#include <string>

#include "rules/format_catalogue.h"
#include "rules/integration_choices.h"

struct IntegrationRequest {
  // The canonical target folder, ending in a backslash; taken as it is.
  std::string program_folder;
  bool start_menu_links = false;
  bool desktop_link = false;
  // The thumbnails link also brings the folder and drive verbs.
  bool thumbnails_link = false;
  // Already all users when the setup runs as SYSTEM.
  LinkPlaces link_places = LinkPlaces::kCurrentUser;
  // The Start-menu uninstall link: only before Windows 8, where programs are
  // not yet removed through the system's own list.
  bool uninstall_link = false;
  // The marks as confirmed: a declined question clears them all.
  std::array<bool, kFormatCount> marks{};
  // Whether the association question was answered yes; for the run log only.
  bool associations_confirmed = false;
  // The shell's notification at the end ('associate').
  bool notify_shell = false;
  AssociationRule association_rule = AssociationRule::kUsersChoice;
};

struct IntegrationResult {
  // Registry writes and links that failed, for the exit code of a silent run.
  int failed_entries = 0;
};
