#include "engine/flow/viewer_settings.h"

#include <windows.h>

#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "common/install_options.h"
#include "common/messages.h"
#include "common/random_number.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "engine/flow/target_folder.h"
#include "files/checked_files.h"
#include "files/entry_folders.h"
#include "files/file_identity.h"
#include "files/folder_protection.h"
#include "files/folder_security.h"
#include "files/full_paths.h"
#include "files/held_folders.h"
#include "files/temp_folders.h"
#include "resources/resource.h"
#include "rules/environment_expansion.h"
#include "rules/folder_trust_rules.h"
#include "rules/integration_texts.h"
#include "rules/text_rules.h"
#include "rules/upgrade_rules.h"

namespace {

int ScalingPercent() {
  ScopedMemoryDc display(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  if (!display) return 100;
  int pixels_per_inch = GetDeviceCaps(display.Get(), LOGPIXELSX);
  return ScalingPercentFromDpi(pixels_per_inch);
}

// The program folder's file sends the viewer to ini_folder, as given; the
// run log says where the settings are kept (kept_in). False when it was not
// written.
bool WriteRedirection(const std::string& program_folder, WorkFolder& work, const char* ini_folder,
                      const std::string& kept_in, const SettingsJudge& judge) {
  return EditSettingsFile(
      program_folder, work, judge,
      [&](const char* work_file, const std::string& file, bool& written) {
        WriteSetting("Others", "INI_Folder", ini_folder, work_file, file, written);
        return "settings file " + file + ": the settings are kept in " + kept_in;
      });
}

// The settings folder as the chain made it: the levels it created are held
// in held and must be real folders still, not links someone put in their
// place. False, noted in the run log, when one is not.
bool HoldCreatedLevels(const std::string& folder, const std::string& highest_created,
                       std::vector<ScopedHandle>& held) {
  if (highest_created.empty()) return true;
  const std::size_t root_end =
      CodePageCharacters::Of(SystemAnsiCodePage()).FindLastOf(highest_created, "\\");
  if (root_end != std::string::npos && folder.rfind(highest_created, 0) == 0 &&
      HoldRealFolderLevels(folder.substr(0, root_end + 1), folder.substr(root_end + 1), held)) {
    return true;
  }
  TheRunLog().Note("settings not written: a level of " + folder +
                   " that the setup created is no real folder now (a link put in its place?)");
  return false;
}

// The language keys and, unless one is set, a toolbar skin for this
// display, into the settings file in folder. With drop_redirection, a
// redirection an earlier installation left there goes: the settings stay
// in this file.
bool WriteLanguageAndSkin(const std::string& folder, WorkFolder& work, const SettingsJudge& judge,
                          bool drop_redirection) {
  return EditSettingsFile(
      folder, work, judge,
      [&](const char* work_file, const std::string& file, bool& written) -> std::string {
        if (drop_redirection) {
          WriteSetting("Others", "INI_Folder", nullptr, work_file, file, written);
        }
        WriteSetting("Language", "DLL", "DEUTSCH.DLL", work_file, file, written);
        WriteSetting("Language", "Lang", "Deutsch", work_file, file, written);
        char skin[kPathSize] = "";
        GetPrivateProfileStringA("Toolbar", "Skin", "", skin, sizeof skin, work_file);
        if (skin[0] != '\0') {
          return "settings file written: " + file + " (the toolbar skin kept: " + skin + ")";
        }
        ToolbarSkin chosen = ChooseToolbarSkin();
        WriteSetting("Toolbar", "Skin", chosen.skin, work_file, file, written);
        WriteSetting("Toolbar", "Size", chosen.size, work_file, file, written);
        return "settings file written: " + file + " (toolbar skin " + chosen.skin + ")";
      });
}

// Why the settings folder's check refused it, in the message's words.
ShownText RefusalOf(const ExistingFolderCheck& check) {
  if (check.levels[check.verdict.refused_level].reparse_point) {
    return FillShown(LoadMessage(IDS_SETTINGS_FOLDER_LINK), "%s", {NameShown(check.refused_path)});
  }
  const ShownText owner = check.refused_owner.empty() ? ShownText().Own(LoadMessage(IDS_OWNER_UNKNOWN))
                                                      : NameShown(check.refused_owner);
  return FillShown(LoadMessage(IDS_SETTINGS_FOLDER_OF_OTHER_USER), "%s",
                   {NameShown(check.refused_path), owner});
}

// One writing of the settings: the program folder, the work folder and the
// judge it shares, and the files not written whole.
struct Writing {
  const std::string& program_folder;
  WorkFolder& work;
  const SettingsJudge& judge;
  std::vector<std::string> not_written;
};

// The language keys and the skin into folder's file.
void WriteOwnSettings(Writing& writing, const std::string& folder, bool drop_redirection) {
  if (!WriteLanguageAndSkin(folder, writing.work, writing.judge, drop_redirection)) {
    writing.not_written.push_back(folder + kSettingsFileName);
  }
}

// A folder in each user's profile while the setup runs as SYSTEM: only the
// redirection is written; the folder is neither made nor filled, as it
// would be SYSTEM's own.
void WriteForEachUser(Writing& writing, const std::string& given) {
  if (!WriteRedirection(writing.program_folder, writing.work, given.c_str(),
                        "each user's \"" + given +
                            "\"; running as SYSTEM, the setup writes no language or toolbar "
                            "keys there, and each user's viewer starts with its defaults",
                        writing.judge)) {
    writing.not_written.push_back(writing.program_folder + kSettingsFileName);
  }
}

// The settings folder of the plan, judged like a target folder before the
// chain and every level again after it: a level another user made, or a
// link or junction anywhere in the path, put there before the first look
// or while the chain ran, would take what SYSTEM writes wherever they
// want, and its file's keys would reach every user's viewer. Refused, the
// settings stay in the program folder's file. The chain's failure is not
// fatal: a folder that cannot be made leaves the redirection while the
// other keys fail to be written. An empty expansion names no folder: a bare
// file name would send the profile functions to the Windows folder, so the
// settings then stay in the program folder's file. Its levels stay held
// until the file is written.
void WriteIntoSettingsFolder(Writing& writing, const SettingsPlan& settings,
                             FolderSecurityReader* judge, ShownText* refused) {
  char expanded[kPathSize];
  CopyBounded(expanded, sizeof expanded, settings.folder.c_str());
  JudgedFolderChain chain;
  FolderChainResult made = FolderChainResult::kMade;
  if (expanded[0] != '\0') made = MakeJudgedFolderChain(expanded, nullptr, judge, &chain);
  if (made == FolderChainResult::kRefused) {
    const ShownText why = RefusalOf(RefusingCheck(chain));
    TheRunLog().Note("settings folder not used: " + std::string(expanded) +
                     "; the settings stay in " + writing.program_folder + kSettingsFileName);
    if (refused != nullptr) *refused = why;
    WriteOwnSettings(writing, writing.program_folder, true);
    return;
  }
  if (!WriteRedirection(writing.program_folder, writing.work, settings.given.c_str(),
                        std::string("\"") + expanded + "\"", writing.judge)) {
    writing.not_written.push_back(writing.program_folder + kSettingsFileName);
  }
  if (expanded[0] == '\0') return WriteOwnSettings(writing, writing.program_folder, false);
  std::string folder = expanded;
  if (!CodePageCharacters::Of(SystemAnsiCodePage()).EndsWith(folder, '\\')) folder += '\\';
  // What was not made was not judged after the chain either.
  if (made == FolderChainResult::kNotMade) {
    TheRunLog().Note("settings file not written: its folder cannot be made: " + folder);
    writing.not_written.push_back(folder + kSettingsFileName);
    return;
  }
  std::vector<ScopedHandle> created_levels;
  if (!HoldCreatedLevels(folder, chain.created, created_levels)) {
    writing.not_written.push_back(folder + kSettingsFileName);
    return;
  }
  WriteOwnSettings(writing, folder, false);
}
}  // namespace

ToolbarSkin ChooseToolbarSkin() {
  int scaling_percent = ScalingPercent();
  return ChooseToolbarSkinFor(GetSystemMetrics(SM_CYFULLSCREEN), scaling_percent);
}

std::vector<std::string> WriteViewerSettings(const std::string& program_folder,
                                             const SettingsPlan& settings,
                                             FolderSecurityReader* judge, ShownText* refused) {
  const std::string program_file = program_folder + kSettingsFileName;
  WorkFolder work;
  if (!work.Make()) {
    TheRunLog().NoteFailure("settings file not written: no work folder of the setup's own",
                            GetLastError());
    return {program_file};
  }
  // Read once: the running user's own files count as trusted.
  const SettingsJudge file_judge{judge, judge != nullptr ? judge->RunningUser() : std::string()};
  Writing writing{program_folder, work, file_judge, {}};
  switch (settings.place) {
    case SettingsPlace::kProgramFolder:
      WriteOwnSettings(writing, program_folder, false);
      break;
    case SettingsPlace::kEachUsersProfile:
      WriteForEachUser(writing, settings.given);
      break;
    case SettingsPlace::kOwnFolder:
      WriteIntoSettingsFolder(writing, settings, judge, refused);
      break;
  }
  return writing.not_written;
}
