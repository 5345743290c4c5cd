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

int ScalingPercent() {
  ScopedMemoryDc display(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  if (!display) return 100;
  int pixels_per_inch = GetDeviceCaps(display.Get(), LOGPIXELSX);
  return ScalingPercentFromDpi(pixels_per_inch);
}

std::string ReadAll(HANDLE file) {
  std::string bytes;
  char piece[4096];
  DWORD read = 0;
  while (ReadFile(file, piece, sizeof piece, &read, nullptr) && read > 0) bytes.append(piece, read);
  return bytes;
}

// The profile functions read and write by name and follow any link there.
// They get a fresh folder of the setup's own in the temporary folder, held
// while it lives and removed with its file at the end. It bears the name of
// the run's private folders, so that the next run's sweep removes it when
// this run is killed.
class WorkFolder {
 public:
  bool Make() {
    // Only SYSTEM, Administrators and the folder's owner may enter it:
    // nobody else can put a link in the profile functions' way there.
    if (!folder_.Make()) return false;
    TheRunLog().Note("settings work folder: " + folder_.path());
    file_ = folder_.path() + "\\" + kSettingsFileName;
    return true;
  }
  ~WorkFolder() {
    if (folder_.held()) DeleteRealFileIn(folder_.held(), kSettingsFileName);
  }
  // The work file, holding bytes; empty when it cannot be written.
  const char* FileWith(const std::string& bytes) {
    ScopedHandle file(CreateFileA(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                            nullptr)) {
      return "";
    }
    return file_.c_str();
  }
  std::string Bytes() const {
    ScopedHandle file(CreateFileA(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    return file ? ReadAll(file.Get()) : std::string();
  }

 private:
  PrivateFolder folder_;
  std::string file_;
};

// One value of the settings file shown as file; a refused write goes to the
// run log and clears written.
void WriteSetting(const char* section, const char* key, const char* value, const char* work_file,
                  const std::string& file, bool& written) {
  if (!WritePrivateProfileStringA(section, key, value, work_file)) {
    TheRunLog().NoteFailure("settings file " + file + ": cannot write [" + section + "] " + key,
                            GetLastError());
    written = false;
  }
}

// Who judges the existing files (null: nobody, the setup is not elevated),
// and the account the setup runs as.
struct Judge {
  FolderSecurityReader* reader = nullptr;
  std::string running_user;
};

// Puts the settings file in folder through edit(work_file, file, written),
// which answers what to note once the file is in place and clears written
// when a value was refused. What a
// real file of one name there holds is copied into the work folder's file,
// edit writes there with the profile functions, and the result replaces the
// settings file through a fresh file moved over its name. What else stands
// at the name, a link or a hard link, is replaced and never read or
// written through. With judge (the setup runs elevated), a file that
// neither a trusted account nor the running user owns is not read: someone
// else put it there, and its keys would reach every user's viewer. False,
// noted in the run log, when it cannot be written or a value was refused.
template <typename Edit>
bool EditSettingsFile(const std::string& folder_path, WorkFolder& work, const Judge& judge,
                      Edit edit) {
  const std::string file = folder_path + kSettingsFileName;
  CheckedFolder folder;
  if (!folder.Hold(folder_path)) {
    TheRunLog().NoteFailure("settings file not written: its folder cannot be held: " + file,
                            GetLastError());
    return false;
  }
  std::string what;
  std::string bytes;
  if (ScopedHandle existing = folder.OpenExisting(kSettingsFileName, GENERIC_READ, FILE_SHARE_READ,
                                                  &what)) {
    // Judged through the very handle it would be read from; an owner that
    // cannot be read counts as someone else.
    FolderSecurity security;
    if (judge.reader != nullptr) judge.reader->ReadItem(existing.Get(), file, &security);
    if (judge.reader != nullptr &&
        (!security.read || !IsTrustedOwner(security.owner_sid, judge.running_user))) {
      const std::string owner =
          security.read ? security.owner_sid : std::string("an owner that cannot be read");
      TheRunLog().Note("settings file " + file + " belongs to " + owner +
                       ": not read, none of its keys are carried over");
    } else {
      bytes = ReadAll(existing.Get());
    }
  } else if (!what.empty()) {
    TheRunLog().Note("settings file " + file + " is " + what +
                     ": replaced by a file of the setup's own, not written through");
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
    TheRunLog().NoteFailure("settings file not written: it cannot be read: " + file, GetLastError());
    return false;
  }
  const char* work_file = work.FileWith(bytes);
  if (work_file[0] == '\0') {
    TheRunLog().NoteFailure("settings file not written: no work file: " + file, GetLastError());
    return false;
  }
  bool written = true;
  const std::string done = edit(work_file, file, written);
  if (!ReplaceFileWith(folder, kSettingsFileName, work.Bytes())) {
    TheRunLog().NoteFailure("settings file not written: " + file, GetLastError());
    return false;
  }
  TheRunLog().Note(done);
  return written;
}

// The program folder's file sends the viewer to ini_folder, as given; the
// run log says where the settings are kept (kept_in). False when it was not
// written.
bool WriteRedirection(const std::string& program_folder, WorkFolder& work, const char* ini_folder,
                      const std::string& kept_in, const Judge& judge) {
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
bool WriteLanguageAndSkin(const std::string& folder, WorkFolder& work, const Judge& judge,
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
}  // namespace

bool ExpandEnvironmentReferences(const char* text, char* result) {
  ProcessEnvironment environment;
  ExpandReferences(text, environment, result, kPathSize);
  return !environment.no_exact_form();
}

ToolbarSkin ChooseToolbarSkin() {
  int scaling_percent = ScalingPercent();
  return ChooseToolbarSkinFor(GetSystemMetrics(SM_CYFULLSCREEN), scaling_percent);
}

std::vector<std::string> WriteViewerSettings(const char* target_folder, const char* ini_folder,
                                             bool redirection_only, FolderSecurityReader* judge,
                                             ShownText* refused) {
  if (std::strlen(target_folder) >= kPathSize) return {target_folder};
  const CodePageCharacters characters = CodePageCharacters::Of(SystemAnsiCodePage());
  const std::string program_folder = ProgramFolder(target_folder, characters);
  const std::string program_file = program_folder + kSettingsFileName;
  WorkFolder work;
  if (!work.Make()) {
    TheRunLog().NoteFailure("settings file not written: no work folder of the setup's own",
                            GetLastError());
    return {program_file};
  }
  // Read once: the running user's own files count as trusted.
  const Judge file_judge{judge, judge != nullptr ? judge->RunningUser() : std::string()};
  std::vector<std::string> not_written;
  std::string settings_folder = program_folder;
  std::vector<ScopedHandle> created_levels;
  if (redirection_only && ini_folder[0] != '\0') {
    if (!WriteRedirection(program_folder, work, ini_folder,
                          std::string("each user's \"") + ini_folder +
                              "\"; running as SYSTEM, the setup writes no language or toolbar "
                              "keys there, and each user's viewer starts with its defaults",
                          file_judge)) {
      not_written.push_back(program_file);
    }
    return not_written;
  }
  // The levels of the settings folder's path, judged and held from the
  // first look until the settings file is written.
  JudgedFolderChain settings_chain;
  bool drop_redirection = false;
  if (ini_folder[0] != '\0') {
    char expanded[kPathSize] = "";
    if (std::strchr(ini_folder, '%') != nullptr) {
      ExpandEnvironmentReferences(ini_folder, expanded);
    } else {
      CopyBounded(expanded, sizeof expanded, ini_folder);
    }
    // Whole, as the target folder: the chain and the log see no "..".
    MakePathWhole(expanded, sizeof expanded);
    // Judged like a target folder, before the chain and every level again
    // after it: a level another user made, or a link or junction anywhere
    // in the path, put there before the first look or while the chain ran,
    // would take what SYSTEM writes wherever they want, and its file's keys
    // would reach every user's viewer. The chain's failure is not fatal: a
    // folder that cannot be made leaves the redirection while the other
    // keys fail to be written.
    FolderChainResult made = FolderChainResult::kMade;
    if (expanded[0] != '\0') made = MakeJudgedFolderChain(expanded, nullptr, judge, &settings_chain);
    if (made == FolderChainResult::kRefused) {
      const ShownText why = RefusalOf(RefusingCheck(settings_chain));
      TheRunLog().Note("settings folder not used: " + std::string(expanded) +
                       "; the settings stay in " + program_file);
      if (refused != nullptr) *refused = why;
      drop_redirection = true;
    } else {
      if (!WriteRedirection(program_folder, work, ini_folder, std::string("\"") + expanded + "\"",
                            file_judge)) {
        not_written.push_back(program_file);
      }
      // An empty expansion names no folder: a bare file name would send the
      // profile functions to the Windows folder, so the settings then stay
      // in the program folder's file.
      if (expanded[0] != '\0') {
        settings_folder = expanded;
        if (!characters.EndsWith(settings_folder, '\\')) settings_folder += '\\';
        // What was not made was not judged after the chain either.
        if (made == FolderChainResult::kNotMade) {
          TheRunLog().Note("settings file not written: its folder cannot be made: " +
                           settings_folder);
          not_written.push_back(settings_folder + kSettingsFileName);
          return not_written;
        }
        if (!HoldCreatedLevels(settings_folder, settings_chain.created, created_levels)) {
          not_written.push_back(settings_folder + kSettingsFileName);
          return not_written;
        }
      }
    }
  }
  if (!WriteLanguageAndSkin(settings_folder, work, file_judge, drop_redirection)) {
    not_written.push_back(settings_folder + kSettingsFileName);
  }
  return not_written;
}
