// The decisions of an installation plan that need no Windows call: which
// folder value is refused and why, where the settings go, where the links
// go and what the association pass may write. Each is made once, when the
// plan is made, and nowhere below it.
#pragma once

#include <string_view>

#include "common/install_options.h"
#include "rules/integration_choices.h"

// Who runs the setup and on which Windows, read once per installation.
struct RunnerFacts {
  bool elevated = false;
  // SYSTEM (a deployment tool): its desktop, Start menu, profile and HKCU
  // are nobody's.
  bool local_system = false;
  bool windows8_or_later = false;
};

// What the command line's reader knows of a folder value: it may have been
// cut at a limit of the reader, or it held a character the code page lacks.
// Values the wizard's fields give are neither.
struct ValueFacts {
  bool cut = false;
  bool inexact = false;
};

// Why a folder value is refused before anything is written. Each reason has
// one message; NamesSettingsFolder tells which value the message names.
enum class ValueRefusal {
  kNone,
  kTargetCut,                 // the reader may have cut /folder=
  kTargetInexact,             // /folder= holds a character the code page lacks
  kSettingsCut,               // the same for /ini=
  kSettingsInexact,
  kTargetNotAbsolute,         // relative, or it cannot be made whole
  kTargetCannotBeNamed,       // no canonical form: it ends inside a character
  kSettingsExpansionInexact,  // a reference's value has no exact form
  kSettingsUnusable,          // a control character, or relative once expanded
};

bool NamesSettingsFolder(ValueRefusal refusal);

// The reader's marks, the target's first: a value that may be cut would
// install somewhere else than typed, and so would one whose characters the
// code page lacks.
ValueRefusal JudgeReadValues(ValueFacts target, ValueFacts settings);

// The welcome page's field before the wizard goes on (exact false: it holds
// a character the code page lacks). It only takes a folder that starts, as
// typed, with a drive letter, a colon and a backslash.
ValueRefusal JudgeWelcomeFolder(const char* typed, bool exact);

// The target folder once made whole (made_whole false: it could not be).
ValueRefusal JudgeTargetFolder(std::string_view whole, bool made_whole);

// The settings folder as given (made whole) and, unless it is left to each
// user, as expanded (expansion_exact false: a value had no exact form).
// Each user's expansion is unknown: only the characters of the given value
// are judged then.
ValueRefusal JudgeSettingsFolder(std::string_view given, bool left_to_users, bool expansion_exact,
                                 std::string_view expanded);

// Where the viewer keeps its settings.
enum class SettingsPlace {
  kProgramFolder,  // no settings folder given
  kOwnFolder,      // the given folder, expanded now (may expand to nothing)
  // A folder in each user's profile while the setup runs as SYSTEM: only the
  // redirection is written, each user's viewer makes its own folder.
  kEachUsersProfile,
};
SettingsPlace DecideSettingsPlace(std::string_view given, bool refers_to_user_profile,
                                  const RunnerFacts& runner);

// The links asked for and where they go.
struct LinkChoice {
  bool start_menu = false;
  bool desktop = false;
  bool thumbnails = false;  // also the folder and drive verbs
  bool all_users_asked = false;
  // All users' folders when asked for, and when the setup runs as SYSTEM.
  LinkPlaces places = LinkPlaces::kCurrentUser;
  // From Windows 8 on programs are removed through Windows' own list: the
  // Start-menu folder has no uninstall link, and the finish page names that
  // list.
  bool uninstall_link = false;
};
LinkChoice DecideLinks(const InstallOptions& options, const RunnerFacts& runner);
