// The real setup program, started with "/silent": the reading of its options
// (folders, the proposed folder, settings, links), the exit codes of what it
// refuses or cannot do, and what a run as SYSTEM decides.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/product_version.h"
#include "common/messages.h"
#include "engine/flow/setup_log.h"
#include "rules/text_rules.h"
#include "support/full_disk.h"
#include "support/installation_checks.h"
#include "support/scratch.h"
#include "support/setup_process.h"
#include "support/shell_links.h"
#include "support/silent_setup.h"

namespace {

class SilentOptions : public SilentSetup {};

TEST_F(SilentOptions, EmptyFolderIsRejectedWithExitCode2) {
  EXPECT_EQ(RunWith("/silent /folder= /group=1"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderRejected(""));
}

TEST_F(SilentOptions, FolderOnAMissingDriveIsNotCreated) {
  EXPECT_EQ(RunWith("/silent /folder=Q:\\Tools\\Pellumara"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderNotCreated("Q:\\Tools\\Pellumara\\"));
}

// The temporary archive's folder cannot be made: the entry names it, not
// the target folder, and the run log gives the Windows error.
TEST_F(SilentOptions, FailedTemporaryArchiveIsNamedAndExits3) {
  ScratchFolder target("silent-target");
  EXPECT_EQ(Run(SetupCommandLine("/silent /folder=" + target.path() + " /log=run.log"), kNoTemp), 3);
  const std::string message = OnlyLogMessage();
  const std::string temp = "Q:\\no-temp\\pmarag-";
  EXPECT_EQ(message.substr(0, temp.size()), temp) << message;
  EXPECT_EQ(message.substr(temp.size() + 16), ": " + LoadMessage(IDS_INSTALL_FAILED));
  const std::string run_log = ReadFileBytes(start_ / "run.log");
  EXPECT_NE(run_log.find(" cannot create the temporary folder " + message.substr(0, temp.size() + 16) +
                         ": error "),
            std::string::npos)
      << run_log;
}

// A temporary folder with a character that code page 1252 cannot hold, as
// in the profile of "Łukasz" on a German Windows: its short name serves.
TEST_F(SilentOptions, TemporaryFolderBeyondTheCodePageIsUsedByItsShortName) {
  ScratchFolder scratch("silent-unicode-temp");
  std::wstring temp(scratch.path().begin(), scratch.path().end());
  temp += L"\\\u0141ukasz-temp";
  ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
  const std::string utf8_temp = scratch.path() + "\\\xc5\x81ukasz-temp";
  ScratchFolder target("silent-unicode-target");
  EXPECT_EQ(Run(SetupCommandLine("/silent /folder=" + target.path()),
                {"TMP=" + utf8_temp, "TEMP=" + utf8_temp}),
            0);
  EXPECT_TRUE(FileExists(target / "p_mara64.exe"));
  EXPECT_FALSE(FileExists(start_ / kSetupLogName)) << ReadFileBytes(start_ / kSetupLogName);
  RemoveDirectoryW(temp.c_str());
}

// Names with characters that code page 1252 lacks, as a Turkish or Polish
// user's folders have them. Windows' own conversion would put a look-alike
// in their place (Ş as S, Ł as L, the fullwidth reverse solidus as "\")
// and name another folder: the setup installs exactly there, through the
// short names of the levels that exist, or refuses before it writes.
TEST_F(SilentOptions, NamesBeyondTheCodePageAreExactOrRefused) {
  ScratchFolder parent("silent-names");
  const std::string sahin = parent / "\xc5\x9e" "ahin";  // UTF-8
  ASSERT_TRUE(CreateDirectoryW(WideOfUtf8(sahin).c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(WideOfUtf8(sahin + "\\Roaming").c_str(), nullptr));
  EXPECT_EQ(RunUtf8("/silent /folder=" + sahin + "\\Pellumara /ini=%APPDATA%\\Pellumara /log=" +
                        sahin + "\\run.log",
                    "", {"APPDATA=" + sahin + "\\Roaming"}),
            0);
  EXPECT_TRUE(ExistsUtf8(sahin + "\\Pellumara\\p_mara64.exe"));
  EXPECT_TRUE(ExistsUtf8(sahin + "\\Roaming\\Pellumara\\p_mara64.ini"));
  EXPECT_TRUE(ExistsUtf8(sahin + "\\run.log"));
  EXPECT_FALSE(ExistsUtf8(parent / "Sahin"));
  EXPECT_FALSE(FileExists(start_ / kSetupLogName)) << ReadFileBytes(start_ / kSetupLogName);

  const TreeCounts before = CountTree(parent.path());
  const struct {
    std::string options;
    std::string look_alike;
    int exit_code;
  } refused[] = {
      {"/folder=" + parent / "\xc5\x9e" "ahins Programme\\Pellumara", parent / "Sahins Programme", 2},
      {"/folder=" + parent / "Pell\xef\xbc\xbc..\xef\xbc\xbcx\\Pell", parent / "x", 2},
      {"/folder=" + parent / "P /ini=" + parent / "F\xc3\xbcr \xc5\x9e" "ahin", parent / "F\xc3\xbcr Sahin", 2},
      {"/log=" + parent / "\xc5\x81og.txt", parent / "Log.txt", 1622},
  };
  std::size_t entries = 0;
  for (const auto& run : refused) {
    EXPECT_EQ(RunUtf8("/silent " + run.options), run.exit_code) << run.options;
    EXPECT_FALSE(ExistsUtf8(run.look_alike)) << run.options;
    const std::vector<LogEntry> log = Log();
    ASSERT_EQ(log.size(), ++entries) << run.options;
    EXPECT_NE(log.back().message.find(LoadMessage(IDS_NAME_BEYOND_CODE_PAGE)), std::string::npos)
        << log.back().message;
  }
  const TreeCounts after = CountTree(parent.path());
  EXPECT_EQ(after.files, before.files);
  EXPECT_EQ(after.folders, before.folders);
}

// Where the ANSI code page is 932, "ソ" is 0x83 0x5C and "表" 0x95 0x5C:
// their second byte is a backslash. A folder named in that script is made,
// judged, filled and registered at its own levels, with no stray folder at
// the byte. Run by the ctest entry silent_setup_tests_932.
TEST_F(SilentOptions, FolderInTheCodePagesOwnScriptIsInstalledExactlyThere) {
  if (GetACP() != 932) GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 932";
  const std::string software = "C:\\\u30D5\u30EA\u30FC\u30BD\u30D5\u30C8";  // フリーソフト
  const std::string folder = software + "\\\u8868\u793A\\Pellumara";       // 表示
  EXPECT_EQ(RunUtf8("/silent /folder=\"" + folder + "\""), 0);
  EXPECT_FALSE(FileExists(start_ / kSetupLogName)) << ReadFileBytes(start_ / kSetupLogName);
  for (const char* file : {"p_mara64.exe", "pm_uninstall.exe", "p_mara64.ini"}) {
    EXPECT_TRUE(ExistsUtf8(folder + "\\" + file)) << file;
  }
  EXPECT_FALSE(ExistsUtf8("C:\\\u30D5\u30EA\u30FC"));  // フリー
  wchar_t location[MAX_PATH] = L"";
  DWORD size = sizeof location;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, WideOfUtf8(kUninstallKey).c_str(), L"InstallLocation",
                         RRF_RT_REG_SZ, nullptr, location, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(location), WideOfUtf8(folder + "\\p_mara64.exe"));
  RemoveTree(software);
}

// An existing target folder that cannot be written to (a standard user's
// update, a read-only medium): nothing stood there, so nothing may be lost
// silently.
TEST_F(SilentOptions, TargetThatCannotBeWrittenExits3) {
  std::string folder = ReadOnlyFolder();
  if (folder.empty()) GTEST_SKIP() << "no read-only folder mounted (tests/windows/full_disk.sh)";
  EXPECT_EQ(RunWith("/silent /folder=" + folder), 3);
  EXPECT_EQ(OnlyLogMessage(), PayloadFailed(folder + "\\"));
}

// Too little room for the archive: nothing of the earlier version is
// touched, and the log names the folder, the failure and both figures.
TEST_F(SilentOptions, TooLittleFreeSpaceExits3WithBothFiguresAndTouchesNothing) {
  std::string target = FreshFolderOnFullDisk("silent-target");
  if (target.empty()) GTEST_SKIP() << "no small file system mounted (tests/windows/full_disk.sh)";
  WriteFileBytes(target + "\\p_mara64.exe", "version A");
  EXPECT_EQ(RunWith("/silent /folder=" + target), 3);
  EXPECT_EQ(FilesIn(target), std::set<std::string>{"p_mara64.exe"});
  EXPECT_EQ(CountTree(target).folders, 0);
  EXPECT_EQ(ReadFileBytes(target + "\\p_mara64.exe"), "version A");
  unsigned long long needed = 0, free = 0;
  const std::string prefix = PayloadFailed(target + "\\") + "\n";
  const std::string message = OnlyLogMessage();
  ASSERT_EQ(message.substr(0, prefix.size()), prefix);
  ASSERT_EQ(std::sscanf(message.c_str() + prefix.size(),
                        "Zu wenig freier Speicherplatz: ben\xF6tigt %llu Bytes, frei %llu Bytes.",
                        &needed, &free),
            2)
      << message;
  EXPECT_GT(needed, 6000000u);  // the viewer unpacks to about 6.5 MB
  EXPECT_LT(free, 1u << 20);    // the whole disk has 1 MB
  RemoveTree(target);
}

TEST_F(SilentOptions, RunningViewerStopsEverythingWithExitCode1) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "Pellumara";
  RegisterClassA(&window_class);
  HWND viewer = CreateWindowA("Pellumara", "viewer", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(viewer, nullptr);
  ScratchFolder parent("silent-viewer");
  EXPECT_EQ(RunWith("/silent /folder=" + parent.path() + "\\Target /group=1 /desktop=1"), 1);
  DestroyWindow(viewer);
  EXPECT_EQ(OnlyLogMessage(), LoadMessage(IDS_VIEWER_RUNNING));
  EXPECT_FALSE(FolderExists(parent / "Target"));
}

TEST_F(SilentOptions, EarlierInstallationsFolderIsProposed) {
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr,
                    "\"Q:\\Earlier Place\\p_mara64.exe\" \"%1\"");
  EXPECT_EQ(RunWith("/silent"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderNotCreated("Q:\\Earlier Place\\"));
}

TEST_F(SilentOptions, UnquotedEarlierCommandKeepsItsDrive) {
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr, "Q:\\Earlier\\p_mara64.exe %1");
  EXPECT_EQ(RunWith("/silent"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderNotCreated("Q:\\Earlier\\"));
}

TEST_F(SilentOptions, OtherProgramsCommandProposesProgramFiles) {
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr, "\"Q:\\Other\\view.exe\" \"%1\"");
  EXPECT_EQ(Run(SetupCommandLine("/silent"), kNoTemp), 3);
  EXPECT_TRUE(FolderExists("C:\\Program Files\\Pellumara"));
  RemoveTree("C:\\Program Files\\Pellumara");
}

TEST_F(SilentOptions, QuotedFolderWithBlanks) {
  EXPECT_EQ(RunWith("/silent /folder=\"Q:\\With Blank\\Pellumara\" /group=1"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderNotCreated("Q:\\With Blank\\Pellumara\\"));
}

TEST_F(SilentOptions, FolderIsCutAtASlash) {
  EXPECT_EQ(RunWith("/silent /folder=Q:\\Tools/Pellumara"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderNotCreated("Q:\\Tools\\"));
}

TEST_F(SilentOptions, OptionNamesAreCaseSensitive) {
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr, "\"Q:\\Proposed\\p_mara64.exe\"");
  EXPECT_EQ(RunWith("/silent /Folder=Q:\\Other /FOLDER=Q:\\Third"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderNotCreated("Q:\\Proposed\\"));
}

// A folder value that the reader may have cut would install somewhere else
// than typed: refused with message 5 before anything is written.
TEST_F(SilentOptions, FolderValueAtTheReadersLimitIsRefused) {
  ScratchFolder parent("cut");
  const std::string folder = parent.path() + "\\" + std::string(251 - parent.path().size(), 'd');
  EXPECT_EQ(RunWith("/silent /folder=" + folder + "more"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderRejected(folder));
  EXPECT_EQ(CountTree(parent.path()).folders, 0);
  EXPECT_EQ(ApplicationOpenCommand(), "<missing>");

  DeleteFileA((start_ / kSetupLogName).c_str());
  const std::string settings = "C:\\" + std::string(255 - 3, 'i');
  EXPECT_EQ(RunWith("/silent /folder=" + parent.path() + "\\P /ini=" + settings), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderRejected(settings));
  EXPECT_EQ(CountTree(parent.path()).folders, 0);
}

// A settings folder that is not absolute after expansion, or that holds a
// control character, is refused (exit 2) before anything is written: the
// viewer would resolve it against its own current folder, or read another
// key from the line.
TEST_F(SilentOptions, RelativeOrControlCharacterSettingsFolderIsRefused) {
  ScratchFolder parent("ini-refused");
  const std::string refused[] = {"Settings\\Sub", "C:Pellumara", "%SETTINGS_NAME%",
                                 parent / "S\x01" "et"};
  std::size_t entries = 0;
  for (const std::string& settings : refused) {
    EXPECT_EQ(RunUtf8("/silent /folder=" + parent / "P /ini=" + settings, "",
                      {"SETTINGS_NAME=Relative"}),
              2)
        << settings;
    const std::vector<LogEntry> log = Log();
    ASSERT_EQ(log.size(), ++entries) << settings;
    EXPECT_EQ(log.back().message, FolderRejected(settings)) << settings;
    EXPECT_EQ(CountTree(parent.path()).folders, 0) << settings;
  }
}

TEST_F(SilentOptions, CommandLineCutInsideTheFolderValueIsRefused) {
  std::string prefix = SetupCommandLine(std::string(300, ' ') + "/silent /folder=Q:\\");
  ASSERT_LT(prefix.size(), 519u);
  std::size_t visible = 519 - prefix.size();
  EXPECT_EQ(Run(prefix + std::string(200, 'e') + " /group=1"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderRejected("Q:\\" + std::string(visible, 'e')));
}

TEST_F(SilentOptions, ProgramPathContainingSilentSelectsSilentMode) {
  ScratchFolder copy("silent");
  std::string copied = copy / "pellumara64-setup.exe";
  ASSERT_TRUE(CopyFileA(SetupProgram().c_str(), copied.c_str(), FALSE));
  std::string with_slash = "C:\\pellumara-tests/silent/pellumara64-setup.exe";
  EXPECT_EQ(Run("\"" + with_slash + "\" /folder="), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderRejected(""));
}

TEST_F(SilentOptions, InstallationUnpacksTheViewerAndWritesItsSettings) {
  ScratchFolder parent("silent-install");
  std::string target = parent / "Neuer Ordner\\Pellumara";
  char temp[MAX_PATH] = "";
  GetTempPathA(sizeof temp, temp);
  // A killed run's private folder goes; a folder of another name stays.
  const std::string killed = std::string(temp) + "pmarag-0123456789abcdef";
  const std::string other = std::string(temp) + "pmarag-other";
  CreateDirectoryA(killed.c_str(), nullptr);
  CreateDirectoryA(other.c_str(), nullptr);
  WriteFileBytes(killed + "\\pmarag_x64.zip", "archive of a killed run");
  // So does the work folder where a killed run edited a settings file.
  const std::string killed_settings = std::string(temp) + "pmarag-00000000000000ee";
  CreateDirectoryA(killed_settings.c_str(), nullptr);
  WriteFileBytes(killed_settings + "\\p_mara64.ini", "[Language]\r\nLang=Deutsch\r\n");
  EXPECT_EQ(RunWith("/silent /folder=\"" + target + " \""), 0);
  EXPECT_FALSE(FolderExists(killed));
  EXPECT_FALSE(FolderExists(killed_settings));
  EXPECT_TRUE(FolderExists(other));
  RemoveDirectoryA(other.c_str());
  TreeCounts unpacked = CountTree(target);
  EXPECT_EQ(unpacked.folders, 5);
  EXPECT_EQ(unpacked.files, 32 + 1);
  EXPECT_EQ(ReadFileBytes(target + "\\Html\\frame.html").substr(0, 15), "<!DOCTYPE html>");
  std::string settings = target + "\\p_mara64.ini";
  EXPECT_EQ(Profile(settings, "Language", "DLL"), "DEUTSCH.DLL");
  EXPECT_EQ(Profile(settings, "Language", "Lang"), "Deutsch");
  EXPECT_EQ(Profile(settings, "Toolbar", "Skin"), "Halvorne_24.png");
  EXPECT_EQ(Profile(settings, "Toolbar", "Size"), "24");
  EXPECT_FALSE(FileExists(start_ / kSetupLogName));
  EXPECT_FALSE(FileExists(std::string(temp) + "pmarag_x64.zip"));
}

TEST_F(SilentOptions, SettingsFolderOptionRedirectsTheSettings) {
  ScratchFolder parent("silent-ini");
  std::string target = parent / "Pellumara";
  std::string settings_folder = parent / "Einstellungen";
  EXPECT_EQ(RunWith("/silent /folder=" + target + " /ini=" + settings_folder), 0);
  EXPECT_EQ(Profile(target + "\\p_mara64.ini", "Others", "INI_Folder"), settings_folder);
  EXPECT_EQ(Profile(target + "\\p_mara64.ini", "Language", "Lang"), "<missing>");
  EXPECT_EQ(Profile(settings_folder + "\\p_mara64.ini", "Language", "Lang"), "Deutsch");
}

// A link or junction in the settings folder's path would lead what the
// elevated setup writes wherever its maker wants: the folder is refused,
// the settings stay in the program folder, and the run ends with exit
// code 5 and says why.
TEST_F(SilentOptions, SettingsFolderThroughALinkIsRefusedWithExitCode5) {
  ScratchFolder parent("silent-ini-link");
  ScratchFolder elsewhere("silent-ini-elsewhere");
  const std::string target = parent / "Pellumara";
  const std::string link = parent / "Linked";
  if (!MakeHostLink(link, elsewhere.path())) GTEST_SKIP() << "no link could be made";
  EXPECT_EQ(RunWith("/silent /folder=" + target + " /ini=" + link + "\\Pellumara"), 5);
  EXPECT_EQ(CountTree(elsewhere.path()).folders + CountTree(elsewhere.path()).files, 0);
  EXPECT_EQ(Profile(target + "\\p_mara64.ini", "Others", "INI_Folder"), "<missing>");
  EXPECT_EQ(Profile(target + "\\p_mara64.ini", "Language", "Lang"), "Deutsch");
  EXPECT_EQ(OnlyLogMessage(),
            FillPlaceholders(LoadMessage(IDS_SETTINGS_FOLDER_LINK), "%s", {link}));
  EXPECT_TRUE(RemoveHostLink(link)) << "the link stayed";
}

// Under Wine the setup never runs as SYSTEM; this makes its start say so.
const char kRunsAsSystem[] = "PELLUMARA_TEST_RUNS_AS_SYSTEM=1";

// As SYSTEM, the current user's desktop and Start menu are SYSTEM's own,
// which nobody sees: the links go to all users'.
TEST_F(SilentOptions, AsSystemTheCurrentUsersLinksGoToAllUsers) {
  ScratchFolder parent("system-links");
  const std::string target = parent / "Pellumara";
  EXPECT_EQ(Run(SetupCommandLine("/silent /desktop=1 /group=1 /folder=" + target + " /log=run.log"),
                {kRunsAsSystem}),
            0);
  EXPECT_TRUE(FileExists(SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Pellumara 64.lnk"));
  EXPECT_FALSE(FilesIn(SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Pellumara").empty());
  EXPECT_FALSE(FileExists(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Pellumara 64.lnk"));
  EXPECT_FALSE(FolderExists(SpecialFolder(CSIDL_PROGRAMS) + "\\Pellumara"));
  const std::vector<std::string> facts = RunLogFacts(ReadFileBytes(start_ / "run.log"));
  EXPECT_TRUE(HasFactStartingWith(facts, "running as SYSTEM: the links go to all users'"));
  RemoveInstallation({target});
}

// As SYSTEM, %APPDATA% is SYSTEM's own: the program folder's file still
// sends each user's viewer to the user's folder, but nothing is written into
// SYSTEM's, and the run says that the users start with the defaults.
TEST_F(SilentOptions, AsSystemASettingsFolderInTheProfileIsLeftToEachUserWithExitCode5) {
  ScratchFolder parent("system-ini");
  const std::string target = parent / "Pellumara";
  const std::string users_folder = Expanded("%APPDATA%\\Pellumara");
  RemoveTree(users_folder);
  EXPECT_EQ(Run(SetupCommandLine("/silent /folder=" + target +
                                 " /ini=%APPDATA%\\Pellumara /log=run.log"),
                {kRunsAsSystem}),
            5);
  EXPECT_EQ(Profile(target + "\\p_mara64.ini", "Others", "INI_Folder"), "%APPDATA%\\Pellumara");
  EXPECT_EQ(Profile(users_folder + "\\p_mara64.ini", "Language", "Lang"), "<missing>");
  EXPECT_EQ(Profile(users_folder + "\\p_mara64.ini", "Toolbar", "Skin"), "<missing>");
  EXPECT_EQ(OnlyLogMessage(),
            "Die Einstellungen in %APPDATA%\\Pellumara gelten f\xFCr jeden Benutzer einzeln und "
            "k\xF6nnen nicht f\xFCr alle geschrieben werden, wenn das Setup als SYSTEM l\xE4uft. "
            "Pellumara verwendet dort beim ersten Start seine Voreinstellungen.");
  const std::vector<std::string> facts = RunLogFacts(ReadFileBytes(start_ / "run.log"));
  EXPECT_TRUE(HasFactStartingWith(facts, "settings file " + target +
                                             "\\p_mara64.ini: the settings are kept in each user's"));
  EXPECT_EQ(facts.back(), "exit code 5");
  RemoveTree(users_folder);
  RemoveInstallation({target});
}

// As SYSTEM, a settings folder the same for every user is filled as any
// other: only one in each user's profile is left to the users.
TEST_F(SilentOptions, AsSystemASettingsFolderOutsideTheProfilesIsWritten) {
  ScratchFolder parent("system-fixed-ini");
  const std::string target = parent / "Pellumara";
  EXPECT_EQ(Run(SetupCommandLine("/silent /folder=" + target + " /ini=" + parent / "Data"),
                {kRunsAsSystem}),
            0);
  EXPECT_EQ(Profile(parent / "Data\\p_mara64.ini", "Language", "Lang"), "Deutsch");
  RemoveInstallation({target});
}

// One silent run of the table below and what it must leave.
struct FolderCase {
  std::string options;
  const char* earlier_command;  // REG_EXPAND_SZ open command to find, or null
  int exit_code;
  std::string log_message;       // empty: no log at all
  std::string installed_folder;  // canonical; empty: nothing installed
};

void SetExpandableOpenCommand(const char* command) {
  ScopedKey key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kOpenCommandKey, key.Out()), ERROR_SUCCESS);
  RegSetValueExA(key.Get(), nullptr, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(command),
                 static_cast<DWORD>(std::strlen(command) + 1));
}

// The files, the settings, the open command, the uninstall entry and the
// links all name the folder the setup created.
void ExpectInstalledIn(const std::string& folder) {
  const std::string viewer = folder + "p_mara64.exe";
  EXPECT_TRUE(FileExists(viewer));
  EXPECT_EQ(Profile(folder + "p_mara64.ini", "Language", "Lang"), "Deutsch");
  ExpectRegisteredViewer(folder);
  EXPECT_EQ(ReadLink(SpecialFolder(CSIDL_PROGRAMS) +
                     "\\Pellumara\\Pellumara 64 " PELLUMARA_VERSION_TEXT ".lnk")
                .target,
            viewer);
  EXPECT_EQ(ReadLink(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Pellumara 64.lnk").target, viewer);
}

TEST_F(SilentOptions, EveryStepUsesTheCanonicalAbsoluteFolder) {
  const std::string links = " /group=1 /desktop=1 /thumbs=1";
  const FolderCase cases[] = {
      // Each level of the folder is trimmed, and every step names it so.
      {"/folder=C:\\Data\\New Folder \\Pictures" + links, nullptr, 0, "",
       "C:\\Data\\New Folder\\Pictures\\"},
      // Relative and drive-relative folders depend on the start folder.
      {"/folder=Rel\\Dir" + links, nullptr, 2, FolderRejected("Rel\\Dir"), ""},
      {"/folder=C:Rel" + links, nullptr, 2, FolderRejected("C:Rel"), ""},
      {links, "\"%SystemDrive%\\Earlier\\p_mara64.exe\" \"%1\"", 0, "", "C:\\Earlier\\"},
      // The settings stay with the program instead of going to C:\settings.
      {"/folder=C:\\Tools\\Pellumara /ini=%UNDEFINED%\\settings" + links, nullptr, 0, "",
       "C:\\Tools\\Pellumara\\"},
  };
  for (const FolderCase& run : cases) {
    SCOPED_TRACE(run.options);
    if (run.earlier_command != nullptr) SetExpandableOpenCommand(run.earlier_command);
    EXPECT_EQ(RunWith("/silent " + run.options), run.exit_code);
    if (run.log_message.empty()) {
      EXPECT_FALSE(FileExists(start_ / kSetupLogName)) << ReadFileBytes(start_ / kSetupLogName);
    } else {
      EXPECT_EQ(OnlyLogMessage(), run.log_message);
    }
    if (run.installed_folder.empty()) {
      EXPECT_EQ(ApplicationOpenCommand(), "<missing>");
    } else {
      ExpectInstalledIn(run.installed_folder);
    }
    EXPECT_EQ(CountTree(start_.path()).folders, 0);
    EXPECT_FALSE(FolderExists("C:\\settings"));
    RemoveInstallation({"C:\\Data", "C:\\Earlier", "C:\\Tools\\Pellumara", "C:\\settings",
                        "C:\\Program Files\\Pellumara"});
    RemoveTree(start_.path());  // the log, and what a wrong folder left there
    CreateDirectoryA(start_.path().c_str(), nullptr);
  }
}

TEST_F(SilentOptions, RefusedWritesEndWithExitCode5AndOneLogEntry) {
  ReadOnlyMachineKey uninstall_entry(kUninstallKey);
  ASSERT_TRUE(uninstall_entry.Refuses());
  // A folder in the way of the desktop link: the link cannot be saved.
  const std::string desktop_link = SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Pellumara 64.lnk";
  ASSERT_TRUE(CreateDirectoryA(desktop_link.c_str(), nullptr));

  EXPECT_EQ(RunWith("/silent /folder=C:\\Tools\\Pellumara /group=1 /desktop=1 /assoc=1"), 5);
  // The default value and the opening of the uninstall entry, and the link.
  EXPECT_EQ(OnlyLogMessage(),
            "Pellumara wurde installiert, aber die Registrierung ist unvollst\xE4ndig "
            "(fehlgeschlagene Eintr\xE4ge: 3).");
  // Every other step was still done.
  EXPECT_TRUE(FileExists("C:\\Tools\\Pellumara\\p_mara64.exe"));
  EXPECT_EQ(ApplicationOpenCommand(), "\"C:\\Tools\\Pellumara\\p_mara64.exe\" \"%1\"");
  EXPECT_EQ(ExtensionDefault("jpg"), "Pellumara.jpg");
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "<missing>");
  RemoveDirectoryA(desktop_link.c_str());
  RemoveInstallation({"C:\\Tools\\Pellumara"});
}

// A setup of more rights may hold the lock under a descriptor that keeps
// this one out: that lock is waited for, never passed by.
TEST_F(SilentOptions, LockThatCannotBeOpenedIsWaitedFor) {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ACL empty;
  ASSERT_TRUE(InitializeAcl(&empty, sizeof empty, ACL_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE));
  attributes.lpSecurityDescriptor = &descriptor;
  ScopedHandle lock(CreateMutexA(&attributes, TRUE, "Global\\PellumaraSetup"));
  ASSERT_TRUE(lock);
  std::thread closer = CloseLater(std::move(lock), 2000);
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(RunWith("/silent /folder=C:\\Tools\\Pellumara"), 0);
  EXPECT_GE(GetTickCount64() - start, 1800u);
  closer.join();
  EXPECT_TRUE(FileExists("C:\\Tools\\Pellumara\\p_mara64.exe"));
  RemoveInstallation({"C:\\Tools\\Pellumara"});
}

// A name of the lock taken by another kind of object is no setup's lock,
// and waiting never frees it: the run ends at once, installs nothing and
// says why.
TEST_F(SilentOptions, LockNameTakenByAnEventEndsAtOnceWith1618) {
  ScopedHandle global(CreateEventA(nullptr, TRUE, FALSE, "Global\\PellumaraSetup"));
  ScopedHandle local(CreateEventA(nullptr, TRUE, FALSE, "Local\\PellumaraSetup"));
  ASSERT_TRUE(global && local);
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(RunWith("/silent /folder=C:\\Tools\\Pellumara"), 1618);
  EXPECT_LT(GetTickCount64() - start, 30000u);
  EXPECT_FALSE(FolderExists("C:\\Tools\\Pellumara"));
  EXPECT_EQ(OnlyLogMessage(), FillNumbers(LoadMessage(IDS_LOCK_NOT_MADE), {ERROR_INVALID_HANDLE}));
  RemoveInstallation({"C:\\Tools\\Pellumara"});
}

// A settings file that cannot be written (a folder stands at its name) is
// as incomplete as a refused registry value: exit 5, the log names it.
TEST_F(SilentOptions, SettingsFileThatCannotBeWrittenEndsWithExitCode5) {
  ScratchFolder parent("unwritable-ini");
  const std::string target = parent / "Pellumara";
  const std::string blocked = parent / "Cfg\\p_mara64.ini";
  ASSERT_TRUE(CreateDirectoryA((parent / "Cfg").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(blocked.c_str(), nullptr));
  EXPECT_EQ(RunWith("/silent /folder=" + target + " /ini=" + parent / "Cfg"), 5);
  EXPECT_EQ(OnlyLogMessage(), blocked + ": " + LoadMessage(IDS_SETTINGS_FILE_NOT_WRITTEN));
  RemoveInstallation({target});
}

// One refused write is as incomplete as three.
TEST_F(SilentOptions, OneRefusedLinkEndsWithExitCode5) {
  const std::string desktop_link = SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Pellumara 64.lnk";
  ASSERT_TRUE(CreateDirectoryA(desktop_link.c_str(), nullptr));
  EXPECT_EQ(RunWith("/silent /folder=C:\\Tools\\Pellumara /desktop=1"), 5);
  EXPECT_EQ(OnlyLogMessage(),
            "Pellumara wurde installiert, aber die Registrierung ist unvollst\xE4ndig "
            "(fehlgeschlagene Eintr\xE4ge: 1).");
  RemoveDirectoryA(desktop_link.c_str());
  RemoveInstallation({"C:\\Tools\\Pellumara"});
}

}  // namespace
