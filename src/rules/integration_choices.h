// What the system integration is asked to do where Windows' version and who
// runs the setup decide it: decided once by the caller, read as they are by
// the integration. No Windows calls here.
#pragma once

#include <array>
#include <string>

#include "rules/format_catalogue.h"

// Whose desktop and Start menu get the links.
enum class LinkPlaces { kCurrentUser, kAllUsers };

// What the association pass writes for a marked format.
enum class AssociationRule {
  kUsersChoice,         // before Windows 8: the machine default and the current user's choice
  kMachineDefaultOnly,  // before Windows 8, run as SYSTEM: no user's choice (SYSTEM's HKCU is nobody's)
  kRegisterOnly,        // Windows 8 or later: registered only; the user chooses in Windows' settings
};

// All users' folders when asked for, and when the setup runs as SYSTEM,
// whose own desktop and Start menu nobody sees.
LinkPlaces LinkPlacesFor(bool all_users, bool as_local_system);
// The run log's note when SYSTEM's links go to all users' folders instead;
// empty when nothing moves.
std::string LinkPlacesNote(bool all_users, bool as_local_system, bool any_link);

// Since Windows 8 the shell keeps the user's choice with a hash only it can
// make, so a program only registers; before, SYSTEM writes no user's choice.
AssociationRule AssociationRuleFor(bool windows_8_or_later, bool as_local_system);

// The marks as the association pass takes them: a declined question clears
// every row.
std::array<bool, kFormatCount> ConfirmedMarks(const int* association_marks, bool confirmed);
