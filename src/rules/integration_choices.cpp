#include "rules/integration_choices.h"

LinkPlaces LinkPlacesFor(bool all_users, bool as_local_system) {
  return all_users || as_local_system ? LinkPlaces::kAllUsers : LinkPlaces::kCurrentUser;
}

std::string LinkPlacesNote(bool all_users, bool as_local_system, bool any_link) {
  if (!as_local_system || all_users || !any_link) return std::string();
  return "running as SYSTEM: the links go to all users' desktop and Start menu instead of "
         "SYSTEM's own, which nobody sees";
}

AssociationRule AssociationRuleFor(bool windows_8_or_later, bool as_local_system) {
  if (windows_8_or_later) return AssociationRule::kRegisterOnly;
  return as_local_system ? AssociationRule::kMachineDefaultOnly : AssociationRule::kUsersChoice;
}

std::array<bool, kFormatCount> ConfirmedMarks(const int* association_marks, bool confirmed) {
  std::array<bool, kFormatCount> marks{};
  for (int row = 0; row < kFormatCount; ++row) {
    marks[row] = confirmed && association_marks[row] != 0;
  }
  return marks;
}
