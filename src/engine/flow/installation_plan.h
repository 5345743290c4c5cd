// One installation, decided before anything is written: the target folder
// in the one form every phase names it by, where the settings go, who runs
// the setup, which links go where and what the association pass may write.
// Start-up and the wizard fill the choices (InstallOptions); the plan is
// made from them once, and below it nothing reads the choices again or
// decides anew.
#pragma once

#include <array>
#include <string>

#include "common/install_options.h"
#include "rules/installation_plan_rules.h"

class InstallationSession;

// Where the viewer keeps its settings.
struct SettingsPlan {
  SettingsPlace place = SettingsPlace::kProgramFolder;
  // The value as given and made whole, references kept: what the program
  // folder's file sends the viewer to.
  std::string given;
  // kOwnFolder: the value expanded and made whole, without a trailing
  // backslash as expanded; empty when it expands to nothing (the settings
  // then stay in the program folder's file).
  std::string folder;
};

struct InstallationPlan {
  bool silent = false;
  // Whole, trimmed, absolute, each level without trailing blanks, ending in
  // a backslash: the form the folder chain makes and every phase names.
  std::string target_folder;
  SettingsPlan settings;
  RunnerFacts runner;
  LinkChoice links;
  AssociationRule association_rule = AssociationRule::kUsersChoice;
  std::array<int, kFormatCount> association_marks = {};
  bool associate = false;
};

// The plan for choices, or the reason they are refused and the value it names.
struct PlanRefusal {
  ValueRefusal reason = ValueRefusal::kNone;
  std::string value;
};

// Who runs the setup, read from Windows.
RunnerFacts ReadRunnerFacts();

// Makes the plan for options (target and settings ValueFacts from the
// command line's reader; the wizard's are none). The run log notes the
// choices. False, with refusal, when a value is refused.
bool MakeInstallationPlan(const InstallOptions& options, ValueFacts target, ValueFacts settings,
                          const RunnerFacts& runner, InstallationPlan* plan, PlanRefusal* refusal);

// The one message for each reason a value is refused.
int RefusalMessage(ValueRefusal reason);

// Tells the user (through the session) why the plan was refused.
void ReportRefusal(const PlanRefusal& refusal, InstallationSession& session);

// The settings folder's part of a plan: given (made whole) expanded once
// from the process's environment, and made whole, for kOwnFolder; exact
// (where given) false when a reference's value had no exact form.
SettingsPlan PlanSettings(const std::string& given, SettingsPlace place, bool* exact = nullptr);

// Expands the "%NAME%" references of text from the process environment
// into result (260 bytes); see ExpandReferences for the rules and bounds.
// False when a value has no exact form in the code page (result is then
// empty): the folder cannot be named.
bool ExpandEnvironmentReferences(const char* text, char* result);
