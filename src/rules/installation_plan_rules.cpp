#include "rules/installation_plan_rules.h"

#include "rules/text_rules.h"
#include "rules/wizard_rules.h"

bool NamesSettingsFolder(ValueRefusal refusal) {
  switch (refusal) {
    case ValueRefusal::kSettingsCut:
    case ValueRefusal::kSettingsInexact:
    case ValueRefusal::kSettingsExpansionInexact:
    case ValueRefusal::kSettingsUnusable:
      return true;
    default:
      return false;
  }
}

ValueRefusal JudgeReadValues(ValueFacts target, ValueFacts settings) {
  if (target.cut) return ValueRefusal::kTargetCut;
  if (target.inexact) return ValueRefusal::kTargetInexact;
  if (settings.cut) return ValueRefusal::kSettingsCut;
  if (settings.inexact) return ValueRefusal::kSettingsInexact;
  return ValueRefusal::kNone;
}

ValueRefusal JudgeWelcomeFolder(const char* typed, bool exact) {
  if (!exact) return ValueRefusal::kTargetInexact;
  return TargetFolderHasDrive(typed) ? ValueRefusal::kNone : ValueRefusal::kTargetNotAbsolute;
}

ValueRefusal JudgeTargetFolder(std::string_view whole, bool made_whole) {
  return made_whole && IsAbsoluteFolder(whole) ? ValueRefusal::kNone
                                               : ValueRefusal::kTargetNotAbsolute;
}

ValueRefusal JudgeSettingsFolder(std::string_view given, bool left_to_users, bool expansion_exact,
                                 std::string_view expanded) {
  if (left_to_users) {
    return HoldsControlCharacter(given) ? ValueRefusal::kSettingsUnusable : ValueRefusal::kNone;
  }
  if (!expansion_exact) return ValueRefusal::kSettingsExpansionInexact;
  if (HoldsControlCharacter(given) || !IsUsableSettingsFolder(expanded)) {
    return ValueRefusal::kSettingsUnusable;
  }
  return ValueRefusal::kNone;
}

SettingsPlace DecideSettingsPlace(std::string_view given, bool refers_to_user_profile,
                                  const RunnerFacts& runner) {
  if (given.empty()) return SettingsPlace::kProgramFolder;
  return runner.local_system && refers_to_user_profile ? SettingsPlace::kEachUsersProfile
                                                       : SettingsPlace::kOwnFolder;
}

LinkChoice DecideLinks(const InstallOptions& options, const RunnerFacts& runner) {
  LinkChoice links;
  links.start_menu = options.start_menu_shortcut != 0;
  links.desktop = options.desktop_shortcut != 0;
  links.thumbnails = options.thumbnails_shortcut != 0;
  links.all_users_asked = options.all_users != 0;
  links.places = LinkPlacesFor(links.all_users_asked, runner.local_system);
  links.uninstall_link = !runner.windows8_or_later;
  return links;
}
