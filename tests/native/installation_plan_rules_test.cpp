// The decisions an installation plan makes once, before anything is written.
#include "rules/installation_plan_rules.h"

#include <gtest/gtest.h>

namespace {

RunnerFacts Runner(bool local_system, bool windows8_or_later) {
  RunnerFacts runner;
  runner.elevated = local_system;
  runner.local_system = local_system;
  runner.windows8_or_later = windows8_or_later;
  return runner;
}

TEST(InstallationPlanRules, LinksOfSystemGoToAllUsersAndNoUninstallLinkFromWindows8) {
  InstallOptions options;
  options.desktop_shortcut = 1;
  const LinkChoice system = DecideLinks(options, Runner(true, true));
  EXPECT_EQ(system.places, LinkPlaces::kAllUsers);
  EXPECT_FALSE(system.all_users_asked);
  EXPECT_EQ(DecideLinks(options, Runner(false, true)).places, LinkPlaces::kCurrentUser);
  EXPECT_TRUE(DecideLinks(options, Runner(false, false)).uninstall_link);
  EXPECT_FALSE(DecideLinks(options, Runner(false, true)).uninstall_link);
}

TEST(InstallationPlanRules, ReadValuesAreJudgedTargetFirstCutBeforeInexact) {
  EXPECT_EQ(JudgeReadValues({true, true}, {true, true}), ValueRefusal::kTargetCut);
  EXPECT_EQ(JudgeReadValues({false, true}, {true, false}), ValueRefusal::kTargetInexact);
  EXPECT_EQ(JudgeReadValues({}, {true, true}), ValueRefusal::kSettingsCut);
  EXPECT_EQ(JudgeReadValues({}, {false, true}), ValueRefusal::kSettingsInexact);
  EXPECT_EQ(JudgeReadValues({}, {}), ValueRefusal::kNone);
  EXPECT_TRUE(NamesSettingsFolder(ValueRefusal::kSettingsCut));
  EXPECT_FALSE(NamesSettingsFolder(ValueRefusal::kTargetCannotBeNamed));
}

TEST(InstallationPlanRules, SettingsFolderLeftToUsersIsJudgedByItsCharactersOnly) {
  // SYSTEM cannot expand a user's references: only the given value counts.
  EXPECT_EQ(JudgeSettingsFolder("%APPDATA%\\Pellumara", true, false, ""), ValueRefusal::kNone);
  EXPECT_EQ(JudgeSettingsFolder("%APPDATA%\\P\x01", true, true, ""),
            ValueRefusal::kSettingsUnusable);
  EXPECT_EQ(DecideSettingsPlace("%APPDATA%\\Pellumara", true, Runner(true, true)),
            SettingsPlace::kEachUsersProfile);
  EXPECT_EQ(DecideSettingsPlace("%APPDATA%\\Pellumara", true, Runner(false, true)),
            SettingsPlace::kOwnFolder);
  EXPECT_EQ(DecideSettingsPlace("", true, Runner(true, true)), SettingsPlace::kProgramFolder);
  // Expanded now: a value without an exact form, or a relative result, is refused.
  EXPECT_EQ(JudgeSettingsFolder("%X%", false, false, ""), ValueRefusal::kSettingsExpansionInexact);
  EXPECT_EQ(JudgeSettingsFolder("%X%", false, true, "Relativ\\Ordner"),
            ValueRefusal::kSettingsUnusable);
  EXPECT_EQ(JudgeSettingsFolder("%X%", false, true, ""), ValueRefusal::kNone);
  EXPECT_EQ(JudgeTargetFolder("C:Pellumara", true), ValueRefusal::kTargetNotAbsolute);
  EXPECT_EQ(JudgeTargetFolder("C:\\Pellumara", false), ValueRefusal::kTargetNotAbsolute);
}

}  // namespace
