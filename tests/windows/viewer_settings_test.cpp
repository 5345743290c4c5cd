// The viewer's settings file: language keys, the toolbar skin for this
// display, an existing skin kept, and the separate settings folder.
#include "engine/flow/viewer_settings.h"
#include "files/folder_security.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "common/code_page_bytes.h"
#include "common/messages.h"
#include "rules/integration_texts.h"
#include "rules/text_rules.h"
#include "support/scratch.h"

namespace {

// The settings as an installation plans and writes them for a target folder
// and a settings folder as given.
std::vector<std::string> WriteSettingsFor(const std::string& target, const std::string& ini,
                                          FolderSecurityReader* judge = nullptr,
                                          ShownText* refused = nullptr) {
  return WriteViewerSettings(
      ProgramFolder(target.c_str(), CodePageCharacters::Of(SystemAnsiCodePage())),
      PlanSettings(ini, ini.empty() ? SettingsPlace::kProgramFolder : SettingsPlace::kOwnFolder),
      judge, refused);
}

// The section names of a settings file, joined by '|'.
std::string Sections(const std::string& file) {
  char names[1024] = "";
  DWORD length = GetPrivateProfileSectionNamesA(names, sizeof names, file.c_str());
  std::string joined;
  for (DWORD i = 0; i < length; i += static_cast<DWORD>(std::strlen(names + i)) + 1) {
    joined += (joined.empty() ? "" : "|") + std::string(names + i);
  }
  return joined;
}

class ViewerSettings : public ::testing::Test {
 protected:
  void TearDown() override {
    SetEnvironmentVariableA("APPDATA", saved_appdata_.empty() ? nullptr : saved_appdata_.c_str());
  }
  std::string ProgramFile() const { return program_ / "p_mara64.ini"; }

  ScratchFolder program_{"settings-program"};
  ScratchFolder scratch_{"settings-other"};
  std::string saved_appdata_ = [] {
    char value[1024] = "";
    GetEnvironmentVariableA("APPDATA", value, sizeof value);
    return std::string(value);
  }();
};

// The tests run on a 1920 x 1080 display at 96 pixels per inch
// (tools/wine-run.sh): a usable height of about 1000 pixels, 100 percent.
TEST_F(ViewerSettings, FirstInstallationWritesLanguageAndTheSkinOfThisDisplay) {
  WriteSettingsFor((program_.path() + "  ").c_str(), "");
  EXPECT_EQ(Sections(ProgramFile()), "Language|Toolbar");
  EXPECT_EQ(Profile(ProgramFile(), "Language", "DLL"), "DEUTSCH.DLL");
  EXPECT_EQ(Profile(ProgramFile(), "Language", "Lang"), "Deutsch");
  EXPECT_EQ(Profile(ProgramFile(), "Toolbar", "Skin"), "Halvorne_24.png");
  EXPECT_EQ(Profile(ProgramFile(), "Toolbar", "Size"), "24");
  ToolbarSkin chosen = ChooseToolbarSkin();
  EXPECT_STREQ(chosen.skin, "Halvorne_24.png");
}

TEST_F(ViewerSettings, ReinstallKeepsTheSkinAndEverythingElseButRewritesTheLanguage) {
  WriteFileBytes(ProgramFile(),
                 "[Language]\r\nDLL=ENGLISH.DLL\r\nLang=English\r\n[Toolbar]\r\nSkin=Tavrel_16.png\r\n"
                 "Size=16\r\n[View]\r\nZoom=3\r\n");
  WriteSettingsFor((program_.path() + "\\").c_str(), "");
  EXPECT_EQ(Profile(ProgramFile(), "Language", "DLL"), "DEUTSCH.DLL");
  EXPECT_EQ(Profile(ProgramFile(), "Language", "Lang"), "Deutsch");
  EXPECT_EQ(Profile(ProgramFile(), "Toolbar", "Skin"), "Tavrel_16.png");
  EXPECT_EQ(Profile(ProgramFile(), "Toolbar", "Size"), "16");
  EXPECT_EQ(Profile(ProgramFile(), "View", "Zoom"), "3");
}

TEST_F(ViewerSettings, EmptySkinCountsAsNoSkin) {
  WriteFileBytes(ProgramFile(), "[Toolbar]\r\nSkin=\r\nSize=99\r\n");
  WriteSettingsFor(program_.path().c_str(), "");
  EXPECT_EQ(Profile(ProgramFile(), "Toolbar", "Skin"), "Halvorne_24.png");
  EXPECT_EQ(Profile(ProgramFile(), "Toolbar", "Size"), "24");
}

TEST_F(ViewerSettings, AppDataFolderGetsTheSettingsAndTheProgramFolderOnlyTheRedirection) {
  SetEnvironmentVariableA("APPDATA", (scratch_ / "Roaming").c_str());
  WriteSettingsFor(program_.path().c_str(), "%APPDATA%\\Pellumara");
  EXPECT_EQ(Sections(ProgramFile()), "Others");
  EXPECT_EQ(Profile(ProgramFile(), "Others", "INI_Folder"), "%APPDATA%\\Pellumara");
  std::string settings = scratch_ / "Roaming\\Pellumara\\p_mara64.ini";
  EXPECT_EQ(Sections(settings), "Language|Toolbar");
  EXPECT_EQ(Profile(settings, "Language", "Lang"), "Deutsch");
  EXPECT_EQ(Profile(settings, "Toolbar", "Skin"), "Halvorne_24.png");
}

TEST_F(ViewerSettings, PlainSettingsFolderIsCreatedTrimmed) {
  std::string folder = scratch_ / "Eigene Einstellungen ";
  WriteSettingsFor(program_.path().c_str(), folder.c_str());
  EXPECT_EQ(Profile(ProgramFile(), "Others", "INI_Folder"), scratch_ / "Eigene Einstellungen");
  EXPECT_EQ(Profile(scratch_ / "Eigene Einstellungen\\p_mara64.ini", "Language", "DLL"), "DEUTSCH.DLL");
}

TEST_F(ViewerSettings, UndefinedVariableKeepsTheSettingsInTheProgramFolder) {
  WriteSettingsFor(program_.path().c_str(), "%PELLUMARA_UNDEFINED%");
  EXPECT_EQ(Sections(ProgramFile()), "Others|Language|Toolbar");
  EXPECT_EQ(Profile(ProgramFile(), "Others", "INI_Folder"), "%PELLUMARA_UNDEFINED%");
  EXPECT_EQ(Profile(ProgramFile(), "Language", "Lang"), "Deutsch");
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, sizeof windows);
  EXPECT_FALSE(FileExists(std::string(windows) + "\\p_mara64.ini"));
}

TEST_F(ViewerSettings, FolderThatCannotBeCreatedLeavesOnlyTheRedirection) {
  WriteSettingsFor(program_.path().c_str(), "Q:\\Settings");
  EXPECT_EQ(Sections(ProgramFile()), "Others");
  EXPECT_EQ(Profile(ProgramFile(), "Others", "INI_Folder"), "Q:\\Settings");
}

// Reads as on a machine where another user made the level at owned_level;
// every other level as it is.
class OtherUsersLevel final : public FolderSecurityReader {
 public:
  explicit OtherUsersLevel(std::string owned_level) : owned_level_(std::move(owned_level)) {}
  std::string RunningUser() override { return real_.RunningUser(); }
  bool Read(const std::string& level, FolderSecurity* security, ScopedHandle* held) override {
    if (!real_.Read(level, security, held)) return false;
    if (level == owned_level_) security->owner_sid = "S-1-5-21-1-2-3-1002";
    return true;
  }
  void ReadItem(HANDLE item, const std::string& shown, FolderSecurity* security) override {
    real_.ReadItem(item, shown, security);
  }

 private:
  std::string owned_level_;
  Win32FolderSecurityReader real_;
};

// An elevated setup does not use a settings folder whose path another user
// made: nothing is created there, the settings stay in the program folder's
// file, and a redirection an earlier installation left there goes.
TEST_F(ViewerSettings, SettingsFolderOfAnotherUserIsRefusedAndTheSettingsStayInTheProgramFolder) {
  const std::string shared = scratch_ / "Shared";
  ASSERT_TRUE(CreateDirectoryA(shared.c_str(), nullptr));
  WriteFileBytes(ProgramFile(), "[Others]\r\nINI_Folder=" + shared + "\\Pellumara\r\n");
  OtherUsersLevel reader(shared);
  ShownText refused;
  EXPECT_TRUE(WriteSettingsFor(program_.path().c_str(), (shared + "\\Pellumara").c_str(),
                                  &reader, &refused)
                  .empty());
  EXPECT_NE(refused.bytes().find(shared + " "), std::string::npos) << refused.bytes();
  EXPECT_FALSE(FolderExists(shared + "\\Pellumara"));
  EXPECT_EQ(Profile(ProgramFile(), "Others", "INI_Folder"), "<missing>");
  EXPECT_EQ(Profile(ProgramFile(), "Language", "Lang"), "Deutsch");
}

// Reads every level as it is; when the first judging finds level missing,
// another account puts a link to target there before the chain runs.
class LinkAfterTheFirstLook final : public Win32FolderSecurityReader {
 public:
  LinkAfterTheFirstLook(std::string level, std::string target)
      : level_(std::move(level)), target_(std::move(target)) {}
  bool Read(const std::string& level, FolderSecurity* security, ScopedHandle* held) override {
    const bool found = Win32FolderSecurityReader::Read(level, security, held);
    if (level == level_ && !found && !planted_) planted_ = MakeHostLink(level_, target_);
    return found;
  }
  bool planted() const { return planted_; }

 private:
  std::string level_;
  std::string target_;
  bool planted_ = false;
};

// The settings folder is judged again after its chain: a link made at its
// first missing level after the first look refuses it like one that stood
// before, and nothing is written where the link leads.
TEST_F(ViewerSettings, LinkMadeAfterTheFirstLookRefusesTheSettingsFolder) {
  ScratchFolder elsewhere("settings-elsewhere");
  const std::string level = scratch_ / "Neu";
  LinkAfterTheFirstLook reader(level, elsewhere.path());
  ShownText refused;
  WriteSettingsFor(program_.path().c_str(), (level + "\\Pellumara").c_str(), &reader,
                      &refused);
  if (!reader.planted()) GTEST_SKIP() << "no link could be made";
  EXPECT_EQ(CountTree(elsewhere.path()).files, 0);
  EXPECT_EQ(refused.bytes(), FillPlaceholders(LoadMessage(IDS_SETTINGS_FOLDER_LINK), "%s", {level}));
  EXPECT_EQ(Profile(ProgramFile(), "Others", "INI_Folder"), "<missing>");
  EXPECT_EQ(Profile(ProgramFile(), "Language", "Lang"), "Deutsch");
  EXPECT_TRUE(RemoveHostLink(level)) << "the link stayed";
}

// Reads as on a machine where another user put the settings files in
// place; their folders read as they are.
class OtherUsersFiles final : public FolderSecurityReader {
 public:
  std::string RunningUser() override { return real_.RunningUser(); }
  bool Read(const std::string& level, FolderSecurity* security, ScopedHandle* held) override {
    return real_.Read(level, security, held);
  }
  void ReadItem(HANDLE item, const std::string& shown, FolderSecurity* security) override {
    real_.ReadItem(item, shown, security);
    security->owner_sid = "S-1-5-21-1-2-3-1002";
  }

 private:
  Win32FolderSecurityReader real_;
};

// A settings file that someone else put in place is not read: none of its
// keys reach the file the setup writes.
TEST_F(ViewerSettings, SettingsFileOfAnotherUserIsNotCarriedOver) {
  WriteFileBytes(ProgramFile(),
                 "[Toolbar]\r\nSkin=Tavrel_16.png\r\nSize=16\r\n[View]\r\nZoom=3\r\n");
  OtherUsersFiles reader;
  EXPECT_TRUE(WriteSettingsFor(program_.path().c_str(), "", &reader).empty());
  EXPECT_EQ(Profile(ProgramFile(), "View", "Zoom"), "<missing>");
  EXPECT_EQ(Profile(ProgramFile(), "Toolbar", "Skin"), "Halvorne_24.png");
  EXPECT_EQ(Profile(ProgramFile(), "Language", "Lang"), "Deutsch");
}

TEST(EnvironmentReferences, ExpandFromTheProcessEnvironmentWithinBounds) {
  SetEnvironmentVariableA("PELLUMARA_SHORT", "C:\\Kurz");
  SetEnvironmentVariableA("PELLUMARA_LONG", std::string(300, 'L').c_str());
  char result[260];
  ExpandEnvironmentReferences("%PELLUMARA_SHORT%\\Pellumara", result);
  EXPECT_STREQ(result, "C:\\Kurz\\Pellumara");
  ExpandEnvironmentReferences("%PELLUMARA_LONG%", result);
  EXPECT_STREQ(result, "");
  ExpandEnvironmentReferences("%PELLUMARA_NOT_SET%", result);
  EXPECT_STREQ(result, "");
  SetEnvironmentVariableA("PELLUMARA_SHORT", nullptr);
  SetEnvironmentVariableA("PELLUMARA_LONG", nullptr);
}

// A link at the settings file's name in the program folder and in the
// settings folder: both are replaced, the files they pointed to stay.
TEST_F(ViewerSettings, LinksAtTheSettingsFilesAreReplacedNotWrittenThrough) {
  std::string program_victim = scratch_ / "program-victim.txt";
  std::string settings_victim = scratch_ / "settings-victim.txt";
  WriteFileBytes(program_victim, "program victim");
  WriteFileBytes(settings_victim, "settings victim");
  std::string settings_folder = scratch_ / "S";
  CreateDirectoryA(settings_folder.c_str(), nullptr);
  std::string settings_file = settings_folder + "\\p_mara64.ini";
  if (!MakeHostLink(ProgramFile(), program_victim) || !MakeHostLink(settings_file, settings_victim)) {
    GTEST_SKIP() << "no link could be made";
  }
  WriteSettingsFor(program_.path().c_str(), settings_folder.c_str());
  EXPECT_EQ(ReadFileBytes(program_victim), "program victim");
  EXPECT_EQ(ReadFileBytes(settings_victim), "settings victim");
  EXPECT_EQ(Profile(ProgramFile(), "Others", "INI_Folder"), settings_folder);
  EXPECT_EQ(Profile(settings_file, "Language", "Lang"), "Deutsch");
}

// A link in the settings folder to a file whose path is too long for a final
// path of 260 characters: where it leads cannot be seen, so it is replaced,
// and what it leads to is neither written nor copied into the settings.
TEST_F(ViewerSettings, LinkToALongPathInTheSettingsFolderIsReplacedNotWrittenThrough) {
  LongPathFile far_away(scratch_.path(), "another user's file");
  const std::string settings_folder = scratch_ / "S";
  ASSERT_TRUE(CreateDirectoryA(settings_folder.c_str(), nullptr));
  const std::string settings_file = settings_folder + "\\p_mara64.ini";
  if (!MakeHostLink(settings_file, far_away.path())) GTEST_SKIP() << "no link could be made";
  WriteSettingsFor(program_.path().c_str(), settings_folder.c_str());
  EXPECT_EQ(far_away.Bytes(), "another user's file");
  EXPECT_FALSE(IsReparsePoint(settings_file));
  EXPECT_EQ(ReadFileBytes(settings_file).find("another user's file"), std::string::npos);
  EXPECT_EQ(Profile(settings_file, "Language", "Lang"), "Deutsch");
  EXPECT_TRUE(RemoveHostLink(settings_file)) << "the link stayed";
}

// A hard link shares the file's data without being a link by its
// attributes: it is replaced like any other.
TEST_F(ViewerSettings, HardLinkAtTheSettingsFileIsReplacedNotWrittenThrough) {
  std::string victim = scratch_ / "hard-victim.txt";
  WriteFileBytes(victim, "victim");
  ASSERT_TRUE(CreateHardLinkA(ProgramFile().c_str(), victim.c_str(), nullptr));
  WriteSettingsFor(program_.path().c_str(), "");
  EXPECT_EQ(ReadFileBytes(victim), "victim");
  EXPECT_EQ(Profile(ProgramFile(), "Language", "Lang"), "Deutsch");
}

}  // namespace
