#include "engine/flow/installation_plan.h"

#include <windows.h>

#include <cstring>
#include <cwctype>
#include <string>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "common/desktop_start.h"
#include "common/messages.h"
#include "common/run_log.h"
#include "common/windows_version.h"
#include "engine/flow/installation_session.h"
#include "files/full_paths.h"
#include "rules/environment_expansion.h"
#include "rules/folder_chain_rules.h"
#include "rules/run_log_rules.h"
#include "rules/text_rules.h"

namespace {

// The values are taken in UTF-16: a profile such as "C:\Users\Şahin" is
// named by the short names of its levels, never by a look-alike, which
// would be another user's profile. A value with no exact form counts as
// undefined, and is remembered.
class ProcessEnvironment final : public VariableSource {
 public:
  Found Lookup(const char* name, char* value, std::size_t value_size) override {
    std::wstring wide(value_size, L'\0');
    const DWORD length = GetEnvironmentVariableW(WideOf(name, CP_ACP).c_str(), wide.data(),
                                                 static_cast<DWORD>(wide.size()));
    if (length == 0) return Found::kUndefined;
    // A value that does not fit is reported with the size it needs, and
    // the buffer then holds nothing usable.
    if (length >= wide.size()) return Found::kTooLong;
    wide.resize(length);
    std::string exact;
    // Only a path has short names; another value must be exact.
    const bool is_path = (wide.size() >= 3 && iswalpha(wide[0]) && wide[0] < 0x80 &&
                          wide[1] == L':' && wide[2] == L'\\') ||
                         wide.rfind(L"\\\\", 0) == 0;
    if (!ExactAnsiOf(wide, &exact) && !(is_path && AnsiPathOf(wide.c_str(), &exact))) {
      no_exact_form_ = true;
      return Found::kUndefined;
    }
    return CopyBounded(value, value_size, exact) ? Found::kValue : Found::kTooLong;
  }
  bool no_exact_form() const { return no_exact_form_; }

 private:
  bool no_exact_form_ = false;
};

bool Refuse(PlanRefusal* refusal, ValueRefusal reason, const char* value) {
  refusal->reason = reason;
  refusal->value = value;
  return false;
}

// Why, in the run log, a value the reader marked is refused.
void NoteReadValueRefusal(const PlanRefusal& refusal) {
  const bool cut =
      refusal.reason == ValueRefusal::kTargetCut || refusal.reason == ValueRefusal::kSettingsCut;
  TheRunLog().Note(std::string(cut ? "folder value too long, it may be cut: \""
                                   : "folder value with characters the code page lacks: \"") +
                   refusal.value + "\"");
}

}  // namespace

bool ExpandEnvironmentReferences(const char* text, char* result) {
  ProcessEnvironment environment;
  ExpandReferences(text, environment, result, kPathSize);
  return !environment.no_exact_form();
}

RunnerFacts ReadRunnerFacts() {
  RunnerFacts runner;
  runner.elevated = RunsElevated();
  runner.local_system = RunsAsLocalSystem();
  runner.windows8_or_later = IsWindows8OrLater();
  return runner;
}

SettingsPlan PlanSettings(const std::string& given, SettingsPlace place, bool* exact) {
  SettingsPlan settings;
  settings.place = place;
  settings.given = given;
  if (exact != nullptr) *exact = true;
  if (place != SettingsPlace::kOwnFolder) return settings;
  char expanded[kPathSize];
  CopyBounded(expanded, sizeof expanded, given);
  if (given.find('%') != std::string::npos &&
      !ExpandEnvironmentReferences(given.c_str(), expanded) && exact != nullptr) {
    *exact = false;
  }
  // Whole, as the target folder: the chain and the log see no "..".
  MakePathWhole(expanded, sizeof expanded);
  settings.folder = expanded;
  return settings;
}

bool MakeInstallationPlan(const InstallOptions& options, ValueFacts target, ValueFacts settings,
                          const RunnerFacts& runner, InstallationPlan* plan,
                          PlanRefusal* refusal) {
  *refusal = PlanRefusal();
  const ValueRefusal read = JudgeReadValues(target, settings);
  if (read != ValueRefusal::kNone) {
    return Refuse(refusal, read,
                  NamesSettingsFolder(read) ? options.ini_folder : options.target_folder);
  }
  if (runner.local_system) {
    TheRunLog().Note("runs as SYSTEM (LocalSystem, S-1-5-18): the current user's places are "
                     "SYSTEM's own");
  }
  // Whole before any rule or message sees them: "..", read as a name, would
  // carry a folder out of Program Files unseen.
  InstallOptions whole = options;
  const bool target_whole = MakePathWhole(whole.target_folder, sizeof whole.target_folder);
  MakePathWhole(whole.ini_folder, sizeof whole.ini_folder);
  for (const std::string& line : DescribeOptions(whole)) TheRunLog().Note(line);
  if (JudgeTargetFolder(whole.target_folder, target_whole) != ValueRefusal::kNone) {
    return Refuse(refusal, ValueRefusal::kTargetNotAbsolute, whole.target_folder);
  }
  const SettingsPlace place =
      DecideSettingsPlace(whole.ini_folder, RefersToUserProfile(whole.ini_folder), runner);
  bool expansion_exact = true;
  plan->settings = PlanSettings(whole.ini_folder, place, &expansion_exact);
  const ValueRefusal settings_refusal =
      JudgeSettingsFolder(whole.ini_folder, place == SettingsPlace::kEachUsersProfile,
                          expansion_exact, plan->settings.folder);
  if (settings_refusal != ValueRefusal::kNone) {
    return Refuse(refusal, settings_refusal, whole.ini_folder);
  }
  // The form the chain makes and names ("C:\Tools \Pellumara" is
  // "C:\Tools\Pellumara\"), decided here once.
  char canonical[kPathSize];
  CopyBounded(canonical, sizeof canonical, whole.target_folder);
  if (!MakeCanonicalFolder(canonical, CodePageCharacters::Of(SystemAnsiCodePage()))) {
    return Refuse(refusal, ValueRefusal::kTargetCannotBeNamed, whole.target_folder);
  }
  plan->silent = options.silent != 0;
  plan->target_folder = canonical;
  plan->runner = runner;
  plan->links = DecideLinks(options, runner);
  plan->association_rule = AssociationRuleFor(runner.windows8_or_later, runner.local_system);
  std::copy(std::begin(options.association_marks), std::end(options.association_marks),
            plan->association_marks.begin());
  plan->associate = options.associate != 0;
  return true;
}

int RefusalMessage(ValueRefusal reason) {
  switch (reason) {
    case ValueRefusal::kTargetInexact:
    case ValueRefusal::kSettingsInexact:
    case ValueRefusal::kSettingsExpansionInexact:
      return IDS_NAME_BEYOND_CODE_PAGE;
    case ValueRefusal::kTargetCannotBeNamed:
      return IDS_CANNOT_CREATE_FOLDER;
    default:
      return IDS_INVALID_FOLDER;
  }
}

void ReportRefusal(const PlanRefusal& refusal, InstallationSession& session) {
  switch (refusal.reason) {
    case ValueRefusal::kTargetCut:
    case ValueRefusal::kSettingsCut:
    case ValueRefusal::kTargetInexact:
    case ValueRefusal::kSettingsInexact:
      NoteReadValueRefusal(refusal);
      break;
    default:
      break;
  }
  const std::string message = LoadMessage(RefusalMessage(refusal.reason));
  session.Fail(message, message + ": " + refusal.value);
}
