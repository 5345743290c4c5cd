// The real setup program, started with "/silent": exit codes, log entries,
// the proposed folder and the reading of options, and never a window.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/messages.h"
#include "common/product_version.h"
#include "engine/folder_protection.h"
#include "engine/setup_log.h"
#include "support/full_disk.h"
#include "support/installation_checks.h"
#include "support/log_entries.h"
#include "support/scratch.h"
#include "support/setup_process.h"
#include "support/shell_links.h"

namespace {

// Closes handle after delay_ms, while the test goes on.
std::thread CloseLater(HANDLE handle, DWORD delay_ms) {
  return std::thread([handle, delay_ms] {
    Sleep(delay_ms);
    CloseHandle(handle);
  });
}

const char kOpenCommandKey[] = "SOFTWARE\\Classes\\Pellumara\\shell\\open\\command";

class SilentSetup : public ::testing::Test {
 protected:
  // Runs the setup from the scratch folder and returns its exit code; every
  // run must end by itself and show no window.
  int Run(const std::string& command_line, std::vector<std::string> environment = {}) {
    SetupLaunch launch;
    launch.command_line = command_line;
    launch.working_directory = start_.path();
    launch.environment = std::move(environment);
    SetupRun run = RunSetup(launch);
    EXPECT_TRUE(run.finished) << command_line;
    EXPECT_TRUE(run.windows_seen.empty()) << "window: " << run.windows_seen.front();
    return run.exit_code;
  }
  int RunWith(const std::string& options) { return Run(SetupCommandLine(options)); }

  std::vector<LogEntry> Log() const { return ParseLog(ReadFileBytes(start_ / kSetupLogName)); }
  // The one entry of the log; fails unless there is exactly one.
  std::string OnlyLogMessage() const {
    std::vector<LogEntry> entries = Log();
    EXPECT_EQ(entries.size(), 1u);
    if (entries.empty()) return "<no entry>";
    EXPECT_EQ(entries[0].date, TodayShortDate());
    return entries[0].message;
  }

  void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kOpenCommandKey); }

  ScratchFolder start_{"silent-start"};
  // A temporary folder that does not exist makes unpacking fail early.
  const std::vector<std::string> kNoTemp = {"TMP=Q:\\no-temp", "TEMP=Q:\\no-temp"};
};

std::string FolderRejected(const std::string& folder) {
  return LoadMessage(IDS_INVALID_FOLDER) + ": " + folder;
}
std::string FolderNotCreated(const std::string& folder) {
  return LoadMessage(IDS_CANNOT_CREATE_FOLDER) + ": " + folder;
}
std::string PayloadFailed(const std::string& folder) {
  return folder + ": " + LoadMessage(IDS_INSTALL_FAILED);
}

TEST_F(SilentSetup, EmptyFolderIsRejectedWithExitCode2) {
  EXPECT_EQ(RunWith("/silent /folder= /group=1"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderRejected(""));
}

TEST_F(SilentSetup, FolderOnAMissingDriveIsNotCreated) {
  EXPECT_EQ(RunWith("/silent /folder=Q:\\Tools\\Pellumara"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderNotCreated("Q:\\Tools\\Pellumara\\"));
}

// The temporary archive's folder cannot be made: the entry names it, not
// the target folder, and the run log gives the Windows error.
TEST_F(SilentSetup, FailedTemporaryArchiveIsNamedAndExits3) {
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
TEST_F(SilentSetup, TemporaryFolderBeyondTheCodePageIsUsedByItsShortName) {
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

// An existing target folder that cannot be written to (a standard user's
// update, a read-only medium): nothing stood there, so nothing may be lost
// silently.
TEST_F(SilentSetup, TargetThatCannotBeWrittenExits3) {
  std::string folder = ReadOnlyFolder();
  if (folder.empty()) GTEST_SKIP() << "no read-only folder mounted (tests/windows/full_disk.sh)";
  EXPECT_EQ(RunWith("/silent /folder=" + folder), 3);
  EXPECT_EQ(OnlyLogMessage(), PayloadFailed(folder + "\\"));
}

// Too little room for the archive: nothing of the earlier version is
// touched, and the log names the folder, the failure and both figures.
TEST_F(SilentSetup, TooLittleFreeSpaceExits3WithBothFiguresAndTouchesNothing) {
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

// An upgrade while another program holds a file without delete sharing:
// the restart puts the new file in place (exit 3010, the file named in the
// log and on the restart list). A read-only file is kept and named: exit 5.
TEST_F(SilentSetup, HeldFileExits3010AndReadOnlyFileExits5EachNamedInTheLog) {
  ScratchFolder target("silent-upgrade");
  const std::string options = "/silent /folder=" + target.path();
  ASSERT_EQ(RunWith(options), 0);
  const std::string held = target / "Plugins\\p_webp.dll";
  HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RunWith(options), 3010);
  CloseHandle(holder);
  EXPECT_EQ(OnlyLogMessage(), held + ": " + LoadMessage(IDS_FILE_REPLACED_AT_RESTART));
  EXPECT_NE(PendingFileRenames().find(held.substr(2) + "|"), std::string::npos);
  DeleteFileA((start_ / kSetupLogName).c_str());

  const std::string kept = target / "p_changes.txt";
  ASSERT_TRUE(SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(RunWith(options), 5);
  EXPECT_EQ(OnlyLogMessage(), kept + ": " + LoadMessage(IDS_FILE_KEPT_READ_ONLY));
  SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveInstallation({target.path()});
}

// A file held for a moment without delete sharing, as a virus scanner
// does, is waited for: the upgrade goes through now, with no restart.
TEST_F(SilentSetup, FileHeldForAMomentIsReplacedNow) {
  ScratchFolder target("silent-brief-hold");
  const std::string options = "/silent /folder=" + target.path();
  ASSERT_EQ(RunWith(options), 0);
  const std::string held = target / "Plugins\\p_webp.dll";
  const std::string installed = ReadFileBytes(held);
  WriteFileBytes(held, "version A");
  HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  std::thread closer = CloseLater(holder, 1500);
  EXPECT_EQ(RunWith(options), 0);
  closer.join();
  EXPECT_TRUE(ReadFileBytes(held) == installed) << "the plug-in is not the new version";
  EXPECT_EQ(PendingFileRenames().find(target.path().substr(2)), std::string::npos);
  RemoveInstallation({target.path()});
}

constexpr char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";

// The restart list's value as stored, in UTF-16, terminators included.
std::wstring RestartListValue() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::wstring value(1 << 16, L'\0');
  DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&value[0]), &size) != ERROR_SUCCESS) {
    size = 0;
  }
  RegCloseKey(key);
  value.resize(size / sizeof(wchar_t));
  return value;
}

// The list's strings in turn: source and target of each pair.
std::vector<std::wstring> RestartListStrings() {
  std::vector<std::wstring> strings;
  const std::wstring value = RestartListValue();
  for (std::size_t at = 0; at < value.size();) {
    std::size_t end = value.find(L'\0', at);
    if (end == std::wstring::npos) end = value.size();
    // An empty source is the closing terminator; an empty target a deletion.
    if (end == at && strings.size() % 2 == 0) break;
    strings.push_back(value.substr(at, end - at));
    at = end + 1;
  }
  return strings;
}

// The Win32 path of a stored source or target.
std::wstring RestartListPath(std::wstring stored) {
  if (!stored.empty() && stored[0] == L'!') stored.erase(0, 1);
  return stored.rfind(L"\\??\\", 0) == 0 ? stored.substr(4) : stored;
}

std::wstring Wide(const std::string& ansi) {
  std::wstring wide(ansi.size() + 1, L'\0');
  wide.resize(MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0],
                                  static_cast<int>(wide.size())) - 1);
  return wide;
}

// What Windows does with the restart list when it starts: each rename in
// turn, a pair whose source is gone passed over; then the list is gone.
void CarryOutRestartList() {
  const std::vector<std::wstring> strings = RestartListStrings();
  for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
    const std::wstring source = RestartListPath(strings[i]);
    if (strings[i + 1].empty()) {
      DeleteFileW(source.c_str());
    } else {
      MoveFileExW(source.c_str(), RestartListPath(strings[i + 1]).c_str(),
                  MOVEFILE_REPLACE_EXISTING);
    }
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &key) ==
      ERROR_SUCCESS) {
    RegDeleteValueA(key, "PendingFileRenameOperations");
    RegCloseKey(key);
  }
}

using namespace std::string_literals;

// Another installer's pairs, added to the list behind ours: a replacement
// of a file whose name code page 1252 cannot hold, and a deletion of a name
// that only UTF-16 with a lone surrogate spells (NTFS takes such names).
// Neither file exists: the restart passes both over.
const std::wstring kAnotherInstallersPairs =
    L"\\??\\C:\\Other\\\u0141\u00f3d\u017a.new\0!\\??\\C:\\Other\\\u0141\u00f3d\u017a.dll\0"
    L"\\??\\C:\\Other\\x\xd800y.tmp\0\0"s;

void AddAnotherInstallersPairs() {
  std::wstring value;
  for (const std::wstring& string : RestartListStrings()) value += string + L'\0';
  value += kAnotherInstallersPairs + L'\0';
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &key),
            ERROR_SUCCESS);
  RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                 reinterpret_cast<const BYTE*>(value.data()),
                 static_cast<DWORD>(value.size() * sizeof(wchar_t)));
  RegCloseKey(key);
}

// A replacement that waits for the restart survives a later run that
// fails, and a later run that goes through takes it over; either leaves
// the pairs of other programs, added in between, as they were. After the
// restart the folder holds the newest version that went through.
TEST_F(SilentSetup, ReplacementWaitingForTheRestartSurvivesLaterRuns) {
  ScratchFolder target("silent-waiting");
  const std::string options = "/silent /folder=" + target.path();
  const std::string held = target / "Plugins\\p_webp.dll";
  ASSERT_EQ(RunWith(options), 0);
  const std::string newest = Snapshot(target.path());
  for (bool second_run_fails : {true, false}) {
    const char* run = second_run_fails ? "after a failed run" : "after a run that went through";
    WriteFileBytes(held, "version A");
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunWith(options), 3010);
    CloseHandle(holder);
    // The staged file that waits stands for the first run's own version.
    const std::vector<std::wstring> strings = RestartListStrings();
    std::wstring staged;
    for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
      if (lstrcmpiW(RestartListPath(strings[i + 1]).c_str(), Wide(held).c_str()) == 0) {
        staged = RestartListPath(strings[i]);
      }
    }
    ASSERT_FALSE(staged.empty()) << PendingFileRenames();
    WriteFileBytes(std::string(staged.begin(), staged.end()), "version of the first run");
    ASSERT_NO_FATAL_FAILURE(AddAnotherInstallersPairs());
    const std::wstring found = RestartListValue();

    const std::string blocked = target / "p_changes.txt";
    if (second_run_fails) {
      ASSERT_TRUE(DeleteFileA(blocked.c_str()));
      ASSERT_TRUE(CreateDirectoryA(blocked.c_str(), nullptr));
      EXPECT_EQ(RunWith(options), 3);
      RemoveDirectoryA(blocked.c_str());
    } else {
      EXPECT_EQ(RunWith(options), 0);
    }
    EXPECT_TRUE(RestartListValue().compare(0, found.size(), found) == 0)
        << run << ": the list was not left as found\n" << PendingFileRenames();
    EXPECT_NE(RestartListValue().find(kAnotherInstallersPairs), std::wstring::npos)
        << run << ": another installer's pairs were changed";
    CarryOutRestartList();
    if (second_run_fails) {
      EXPECT_EQ(ReadFileBytes(held), "version of the first run") << run;
    } else {
      EXPECT_EQ(Snapshot(target.path()), newest) << run;
    }
  }
  RemoveInstallation({target.path()});
}

// The hidden top-level window a silent run of the process holds a shutdown
// off with; null when it has none.
HWND ShutdownBlockingWindowOf(DWORD process_id) {
  std::pair<DWORD, HWND> search(process_id, nullptr);
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto* search = reinterpret_cast<std::pair<DWORD, HWND>*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        if (owner != search->first || std::strcmp(name, "PellumaraSetupShutdownBlock") != 0) {
          return TRUE;
        }
        search->second = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// While a silent run commits (a plug-in held for a moment makes it wait),
// its window answers Windows' question about a shutdown with FALSE, and
// the run log notes the shutdown that waited; the window goes with the work.
TEST_F(SilentSetup, ShutdownWaitsForTheSilentInstallation) {
  ScratchFolder target("silent-shutdown");
  const std::string options = "/silent /folder=" + target.path();
  ASSERT_EQ(RunWith(options), 0);
  const std::string journal = target / "~pmarag-journal.pm";
  HANDLE holder = CreateFileA((target / "Plugins\\p_webp.dll").c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  SetupLaunch launch;
  launch.command_line = SetupCommandLine(options + " /log=run.log");
  launch.working_directory = start_.path();
  StartedSetup setup(launch);
  ASSERT_TRUE(setup.started());
  while (!FileExists(journal) && !setup.HasEnded()) Sleep(20);
  const bool committing = FileExists(journal);
  HWND window = ShutdownBlockingWindowOf(setup.process_id());
  DWORD_PTR answer = TRUE;
  const LRESULT answered =
      window != nullptr
          ? SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 1000, &answer)
          : 0;
  CloseHandle(holder);
  ASSERT_TRUE(committing) << "the run ended before its commit was seen";
  ASSERT_NE(window, nullptr) << "no window to ask";
  EXPECT_NE(answered, 0);
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(FALSE));
  EXPECT_EQ(setup.WaitForExit(60000), 0);
  EXPECT_FALSE(IsWindow(window));
  const std::string run_log = ReadFileBytes(start_ / "run.log");
  EXPECT_NE(run_log.find(" shutdown or log-off asked for during the installation: it waits\r\n"),
            std::string::npos)
      << run_log;
  RemoveInstallation({target.path()});
}

TEST_F(SilentSetup, SecondRunAppendsBelowTheFirst) {
  EXPECT_EQ(RunWith("/silent /folder="), 2);
  EXPECT_EQ(RunWith("/silent /folder=Q:\\x"), 2);
  std::vector<LogEntry> entries = Log();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].message, FolderRejected(""));
  EXPECT_EQ(entries[1].message, FolderNotCreated("Q:\\x\\"));
}

TEST_F(SilentSetup, RunningViewerStopsEverythingWithExitCode1) {
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

BOOL CALLBACK FindVisibleWindowOf(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<std::pair<DWORD, bool>*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->first && IsWindowVisible(window)) search->second = true;
  return TRUE;
}

bool HasVisibleWindow(DWORD process_id) {
  std::pair<DWORD, bool> search(process_id, false);
  EnumWindows(FindVisibleWindowOf, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// Wine's load order for the setup alone, set while the object lives; Wine
// reads it from the registry when a process starts (WINEDLLOVERRIDES only
// from the host's environment).
class SetupDllOverrides {
 public:
  SetupDllOverrides(const std::vector<std::string>& dlls, const std::string& order) {
    for (const std::string& dll : dlls) SetRegistryString(HKEY_CURRENT_USER, kKey + std::string("\\DllOverrides"), dll.c_str(), order);
  }
  ~SetupDllOverrides() { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }

 private:
  static constexpr char kKey[] = "Software\\Wine\\AppDefaults\\pellumara64-setup.exe";
};

// The folder of this test program, where the build puts planted.dll.
std::string TestProgramFolder() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder = path;
  return folder.substr(0, folder.rfind('\\'));
}

// DLLs placed beside the setup under the names of system DLLs, which Wine
// then prefers to its own as Windows' search would: none may be loaded, in
// a silent run or while the wizard shows. Besides version.dll, the ones
// user32, comctl32 and shell32 load on demand while the wizard shows.
TEST_F(SilentSetup, DllsPlacedBesideTheSetupAreNeverLoaded) {
  ScratchFolder downloads("planted-downloads");
  std::string setup = downloads / "pellumara64-setup.exe";
  ASSERT_TRUE(CopyFileA(SetupProgram().c_str(), setup.c_str(), FALSE));
  const std::vector<std::string> libraries = {"version", "uxtheme", "msimg32",
                                              "imm32",   "shcore",  "shlwapi"};
  std::vector<std::string> planted;
  for (const std::string& library : libraries) {
    planted.push_back(library + ".dll");
    ASSERT_TRUE(CopyFileA((TestProgramFolder() + "\\planted.dll").c_str(),
                          (downloads / planted.back()).c_str(), FALSE));
  }
  SetupDllOverrides native_first(libraries, "native,builtin");
  ScratchFolder target("planted-target");
  EXPECT_EQ(Run("\"" + setup + "\" /silent /folder=" + target.path()), 0);
  EXPECT_TRUE(FileExists(target / "p_mara64.exe"));

  SetupLaunch wizard_launch;
  wizard_launch.command_line = "\"" + setup + "\"";
  wizard_launch.working_directory = start_.path();
  StartedSetup wizard(wizard_launch);
  ASSERT_TRUE(wizard.started());
  bool shown = false;
  for (int i = 0; i < 200 && !shown; ++i) {
    shown = HasVisibleWindow(wizard.process_id());
    if (!shown) Sleep(50);
  }
  EXPECT_TRUE(shown);
  Sleep(300);  // the pages painted, their themes loaded
  for (const std::string& name : planted) {
    EXPECT_FALSE(FileExists(downloads / (name + ".loaded"))) << name;
  }
}

TEST_F(SilentSetup, EarlierInstallationsFolderIsProposed) {
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr,
                    "\"Q:\\Earlier Place\\p_mara64.exe\" \"%1\"");
  EXPECT_EQ(RunWith("/silent"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderNotCreated("Q:\\Earlier Place\\"));
}

TEST_F(SilentSetup, UnquotedEarlierCommandKeepsItsDrive) {
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr, "Q:\\Earlier\\p_mara64.exe %1");
  EXPECT_EQ(RunWith("/silent"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderNotCreated("Q:\\Earlier\\"));
}

TEST_F(SilentSetup, OtherProgramsCommandProposesProgramFiles) {
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr, "\"Q:\\Other\\view.exe\" \"%1\"");
  EXPECT_EQ(Run(SetupCommandLine("/silent"), kNoTemp), 3);
  EXPECT_TRUE(FolderExists("C:\\Program Files\\Pellumara"));
  RemoveTree("C:\\Program Files\\Pellumara");
}

TEST_F(SilentSetup, QuotedFolderWithBlanks) {
  EXPECT_EQ(RunWith("/silent /folder=\"Q:\\With Blank\\Pellumara\" /group=1"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderNotCreated("Q:\\With Blank\\Pellumara\\"));
}

TEST_F(SilentSetup, FolderIsCutAtASlash) {
  EXPECT_EQ(RunWith("/silent /folder=Q:\\Tools/Pellumara"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderNotCreated("Q:\\Tools\\"));
}

TEST_F(SilentSetup, OptionNamesAreCaseSensitive) {
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr, "\"Q:\\Proposed\\p_mara64.exe\"");
  EXPECT_EQ(RunWith("/silent /Folder=Q:\\Other /FOLDER=Q:\\Third"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderNotCreated("Q:\\Proposed\\"));
}

// A folder value that the reader may have cut would install somewhere else
// than typed: refused with message 5 before anything is written.
TEST_F(SilentSetup, FolderValueAtTheReadersLimitIsRefused) {
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

TEST_F(SilentSetup, CommandLineCutInsideTheFolderValueIsRefused) {
  std::string prefix = SetupCommandLine(std::string(300, ' ') + "/silent /folder=Q:\\");
  ASSERT_LT(prefix.size(), 519u);
  std::size_t visible = 519 - prefix.size();
  EXPECT_EQ(Run(prefix + std::string(200, 'e') + " /group=1"), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderRejected("Q:\\" + std::string(visible, 'e')));
}

TEST_F(SilentSetup, ProgramPathContainingSilentSelectsSilentMode) {
  ScratchFolder copy("silent");
  std::string copied = copy / "pellumara64-setup.exe";
  ASSERT_TRUE(CopyFileA(SetupProgram().c_str(), copied.c_str(), FALSE));
  std::string with_slash = "C:\\pellumara-tests/silent/pellumara64-setup.exe";
  EXPECT_EQ(Run("\"" + with_slash + "\" /folder="), 2);
  EXPECT_EQ(OnlyLogMessage(), FolderRejected(""));
}

std::string Profile(const std::string& file, const char* section, const char* key) {
  char value[260] = "";
  GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, file.c_str());
  return value;
}

TEST_F(SilentSetup, InstallationUnpacksTheViewerAndWritesItsSettings) {
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
  EXPECT_EQ(RunWith("/silent /folder=\"" + target + " \""), 0);
  EXPECT_FALSE(FolderExists(killed));
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

// The names in folder that FindFirstFileA(folder\pattern) lists, in the
// order it lists them.
std::vector<std::string> Listed(const std::string& folder, const char* pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0) {
      names.push_back(found.cFileName);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// Anyone may create folders in SYSTEM's temporary folder. A planted private
// folder that becomes a link to another folder after the sweep listed it,
// while the sweep is busy with another one, leads the sweep nowhere; a
// killed run's honest leftover still goes. (A sweep that takes no time for
// planted files may be past the folder before the swap: then nothing can
// go wrong either. The swap itself is met in PlantedLinks.)
TEST_F(SilentSetup, PrivateFolderSwappedForALinkLeadsTheSweepNowhere) {
  char temp_buffer[MAX_PATH] = "";
  GetTempPathA(sizeof temp_buffer, temp_buffer);
  const std::string temp = temp_buffer;
  const std::string leftover = temp + "pmarag-00000000000000aa";
  CreateDirectoryA(leftover.c_str(), nullptr);
  WriteFileBytes(leftover + "\\pmarag_x64.zip", "archive of a killed run");
  // The sweep takes the folders in the order the search lists them: the
  // busy one must come before the one swapped.
  std::string busy = temp + "pmarag-00000000000000bb";
  std::string swapped = temp + "pmarag-00000000000000cc";
  CreateDirectoryA(busy.c_str(), nullptr);
  CreateDirectoryA(swapped.c_str(), nullptr);
  std::vector<std::string> order = Listed(temp, "pmarag-*");
  if (std::find(order.begin(), order.end(), "pmarag-00000000000000cc") <
      std::find(order.begin(), order.end(), "pmarag-00000000000000bb")) {
    std::swap(busy, swapped);
  }
  // The busy folder looks like a leftover with many files: a sweep that
  // deletes every file is busy there for a while. The swap is made once
  // the sweep has begun on it.
  const std::string archive = busy + "\\pmarag_x64.zip";
  WriteFileBytes(archive, "archive of a killed run");
  for (int i = 0; i < 1000; ++i) WriteFileBytes(busy + "\\f" + std::to_string(i), "x");
  const std::string first_listed = busy + "\\" + Listed(busy, "\\*").front();
  ScratchFolder victim("sweep-victim");
  for (int i = 0; i < 40; ++i) WriteFileBytes(victim / ("keep" + std::to_string(i)), "mine");
  ASSERT_TRUE(SwapForHostLinkWhenGone({first_listed, archive}, swapped, victim.path()));

  ScratchFolder parent("sweep-target");
  EXPECT_EQ(RunWith("/silent /folder=" + parent / "Pellumara"), 0);
  EXPECT_EQ(FilesIn(victim.path()).size(), 40u);
  EXPECT_FALSE(FolderExists(leftover));
  RemoveHostLink(swapped);
  RemoveDirectoryA((swapped + ".away").c_str());
  RemoveTree(busy);
}

// The facts of a run log without their time stamps, a message's own line
// breaks joined back; a line without the local ISO time in front shows as
// "<no time stamp>".
std::vector<std::string> RunLogFacts(const std::string& log) {
  std::vector<std::string> facts;
  std::size_t at = 0;
  while (at < log.size()) {
    std::size_t end = log.find("\r\n", at);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(at, end - at);
    at = end + 2;
    if (!line.empty() && line[0] == '\t' && !facts.empty()) {
      facts.back() += "\n" + line.substr(1);
      continue;
    }
    const bool stamped = line.size() > 24 && line[4] == '-' && line[7] == '-' && line[10] == 'T' &&
                         line[13] == ':' && line[16] == ':' && line[19] == '.' && line[23] == ' ';
    facts.push_back(stamped ? line.substr(24) : "<no time stamp>" + line);
  }
  return facts;
}

bool HasFact(const std::vector<std::string>& facts, const std::string& fact) {
  return std::find(facts.begin(), facts.end(), fact) != facts.end();
}
bool HasFactStartingWith(const std::vector<std::string>& facts, const std::string& start) {
  return std::any_of(facts.begin(), facts.end(),
                     [&](const std::string& fact) { return fact.rfind(start, 0) == 0; });
}

// A run log asked for with a relative name lands in the start folder and
// tells every step; a second run starts it anew. The elevated first run
// creates the folder with the permissions of Program Files from its
// highest new level on; the second leaves the existing folder's alone.
TEST_F(SilentSetup, RunLogTellsEveryStepOfASuccessfulRun) {
  ScratchFolder parent("logged");
  const std::string target = parent / "Tools\\Pellumara";
  const std::string command_line = SetupCommandLine("/silent /folder=" + target + " /group=1 /S /log=run.log");
  for (const char* outcome : {"written", "replaced"}) {
    SCOPED_TRACE(outcome);
    EXPECT_EQ(Run(command_line), 0);
    const std::vector<std::string> facts = RunLogFacts(ReadFileBytes(start_ / "run.log"));
    ASSERT_GT(facts.size(), 10u);
    EXPECT_EQ(facts.front(), "Pellumara 64-bit setup " PELLUMARA_VERSION_TEXT);
    EXPECT_TRUE(HasFact(facts, "command line: " + command_line));
    EXPECT_TRUE(HasFact(facts, "mode: silent"));
    EXPECT_TRUE(HasFact(facts, "ignored, no option: /S"));
    EXPECT_TRUE(HasFact(facts, "target folder from: /folder="));
    EXPECT_TRUE(HasFact(facts, "target folder: \"" + target + "\""));
    EXPECT_TRUE(HasFact(facts, "target folder ready: " + target + "\\"));
    EXPECT_EQ(HasFact(facts, "folder created: " + parent / "Tools" +
                                 ", with the permissions of Program Files " + kProtectedFolderSddl),
              outcome == std::string("written"));
    EXPECT_TRUE(HasFactStartingWith(facts, "temporary archive: "));
    EXPECT_TRUE(HasFact(facts, std::string("entry p_mara64.exe: ") + outcome));
    EXPECT_TRUE(HasFactStartingWith(facts, "settings file written: " + target + "\\p_mara64.ini"));
    EXPECT_TRUE(HasFactStartingWith(facts, "link made: "));
    EXPECT_TRUE(HasFact(facts, "registry: HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                               "Uninstall\\Pellumara64 DisplayVersion = \"" PELLUMARA_VERSION_TEXT "\""));
    EXPECT_TRUE(HasFact(facts, "temporary archive removed"));
    EXPECT_EQ(facts.back(), "exit code 0");
    EXPECT_FALSE(HasFactStartingWith(facts, "<no time stamp>"));
  }
  EXPECT_FALSE(FileExists(start_ / kSetupLogName));
  RemoveInstallation({target});
}

// An entry that cannot be put in place (a folder stands at its name): the
// run log names it with the Windows error, the German message, and ends
// with the exit code; the usual log keeps its entry.
TEST_F(SilentSetup, RunLogOfAFailedRunNamesTheEntryAndItsError) {
  ScratchFolder target("logged-failure");
  ASSERT_TRUE(CreateDirectoryA((target / "p_mara64.exe").c_str(), nullptr));
  const std::string log = start_ / "failure log.txt";
  EXPECT_EQ(RunWith("/silent /folder=" + target.path() + " /log=\"" + log + "\""), 3);
  const std::vector<std::string> facts = RunLogFacts(ReadFileBytes(log));
  ASSERT_FALSE(facts.empty());
  const std::string failed = "entry p_mara64.exe: failed: error ";
  auto entry = std::find_if(facts.begin(), facts.end(),
                            [&](const std::string& fact) { return fact.rfind(failed, 0) == 0; });
  ASSERT_NE(entry, facts.end());
  EXPECT_TRUE(std::isdigit(static_cast<unsigned char>((*entry)[failed.size()]))) << *entry;
  EXPECT_TRUE(HasFact(facts, "message: " + LoadMessage(IDS_INSTALL_FAILED)));
  EXPECT_EQ(facts.back(), "exit code 3");
  EXPECT_EQ(OnlyLogMessage(), PayloadFailed(target.path() + "\\"));
}

TEST_F(SilentSetup, LogThatCannotBeCreatedEndsWith1622AndInstallsNothing) {
  ScratchFolder parent("unlogged");
  EXPECT_EQ(RunWith("/silent /folder=" + parent.path() + "\\Pellumara /group=1 /log=Q:\\none\\run.log"),
            1622);
  const std::string message = OnlyLogMessage();
  const std::string text = LoadMessage(IDS_LOG_NOT_CREATED);
  EXPECT_EQ(message.substr(0, text.find("%d")), text.substr(0, text.find("%d"))) << message;
  const std::string named = ": Q:\\none\\run.log";
  ASSERT_GT(message.size(), named.size());
  EXPECT_EQ(message.substr(message.size() - named.size()), named);
  EXPECT_FALSE(FolderExists(parent / "Pellumara"));
  EXPECT_EQ(ApplicationOpenCommand(), "<missing>");
}

TEST_F(SilentSetup, SettingsFolderOptionRedirectsTheSettings) {
  ScratchFolder parent("silent-ini");
  std::string target = parent / "Pellumara";
  std::string settings_folder = parent / "Einstellungen";
  EXPECT_EQ(RunWith("/silent /folder=" + target + " /ini=" + settings_folder), 0);
  EXPECT_EQ(Profile(target + "\\p_mara64.ini", "Others", "INI_Folder"), settings_folder);
  EXPECT_EQ(Profile(target + "\\p_mara64.ini", "Language", "Lang"), "<missing>");
  EXPECT_EQ(Profile(settings_folder + "\\p_mara64.ini", "Language", "Lang"), "Deutsch");
}

// Under Wine the setup never runs as SYSTEM; this makes its start say so.
const char kRunsAsSystem[] = "PELLUMARA_TEST_RUNS_AS_SYSTEM=1";

// As SYSTEM, the current user's desktop and Start menu are SYSTEM's own,
// which nobody sees: the links go to all users'.
TEST_F(SilentSetup, AsSystemTheCurrentUsersLinksGoToAllUsers) {
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
TEST_F(SilentSetup, AsSystemASettingsFolderInTheProfileIsLeftToEachUserWithExitCode5) {
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

TEST_F(SilentSetup, UnwritableLogChangesNothingElse) {
  CreateDirectoryA((start_ / kSetupLogName).c_str(), nullptr);
  EXPECT_EQ(RunWith("/silent /folder="), 2);
  EXPECT_TRUE(FolderExists(start_ / kSetupLogName));
}

// A link at the name of /log= that leads to a file whose path is too long
// for a final path of 260 characters: the setup cannot see where it leads,
// so it replaces the link by a log of its own instead of writing through.
TEST_F(SilentSetup, RunLogAtALinkToALongPathIsReplacedNotWrittenThrough) {
  LongPathFile far_away(start_.path(), "another user's file");
  if (!MakeHostLink(start_ / "run.log", far_away.path())) GTEST_SKIP() << "no link could be made";
  EXPECT_EQ(RunWith("/silent /folder= /log=run.log"), 2);
  EXPECT_EQ(far_away.Bytes(), "another user's file");
  EXPECT_FALSE(IsReparsePoint(start_ / "run.log"));
  const std::vector<std::string> facts = RunLogFacts(ReadFileBytes(start_ / "run.log"));
  ASSERT_FALSE(facts.empty());
  EXPECT_EQ(facts.back(), "exit code 2");
  RemoveHostLink(start_ / "run.log");
}

// The setup log of a failing run, a symbolic link and then a hard link to
// another file: neither is written through, the run log names the refusal
// and the run ends as it would anyway.
TEST_F(SilentSetup, SetupLogThatIsALinkIsRefusedAndTheResultStays) {
  ScratchFolder other("other-user");
  const std::string victim = other / "theirs.txt";
  const std::string log = start_ / kSetupLogName;
  for (const bool hard : {false, true}) {
    SCOPED_TRACE(hard ? "hard link" : "symbolic link");
    WriteFileBytes(victim, "another user's file");
    if (hard) {
      ASSERT_TRUE(CreateHardLinkA(log.c_str(), victim.c_str(), nullptr));
    } else if (!MakeHostLink(log, victim)) {
      GTEST_SKIP() << "no link could be made";
    }
    EXPECT_EQ(RunWith("/silent /folder= /log=run.log"), 2);
    EXPECT_EQ(ReadFileBytes(victim), "another user's file");
    const std::vector<std::string> facts = RunLogFacts(ReadFileBytes(start_ / "run.log"));
    EXPECT_TRUE(HasFactStartingWith(facts, "setup log refused: " + log + " is "));
    EXPECT_FALSE(facts.empty() || facts.back() != "exit code 2");
    if (hard) {
      DeleteFileA(log.c_str());
    } else {
      ASSERT_TRUE(RemoveHostLink(log));
    }
  }
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
  HKEY key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kOpenCommandKey, &key), ERROR_SUCCESS);
  RegSetValueExA(key, nullptr, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(command),
                 static_cast<DWORD>(std::strlen(command) + 1));
  RegCloseKey(key);
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

TEST_F(SilentSetup, EveryStepUsesTheCanonicalAbsoluteFolder) {
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

// A machine key that everybody may read but nobody may write to, the way a
// standard user meets every machine key. The setup runs as administrator
// under Wine, so only the key's own rights can refuse its writes. The key
// may still be deleted.
class ReadOnlyMachineKey {
 public:
  explicit ReadOnlyMachineKey(const char* path) : path_(path) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_READ | WRITE_DAC, nullptr,
                        &key, &disposition) != ERROR_SUCCESS) {
      return;
    }
    created_ = disposition == REG_CREATED_NEW_KEY;
    DWORD size = sizeof original_;
    saved_ = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, original_, &size) == ERROR_SUCCESS;
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD sid_size = sizeof everyone;
    BYTE acl_buffer[256];
    PACL acl = reinterpret_cast<PACL>(acl_buffer);
    SECURITY_DESCRIPTOR descriptor;
    restricted_ =
        CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sid_size) &&
        InitializeAcl(acl, sizeof acl_buffer, ACL_REVISION) &&
        AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | DELETE | WRITE_DAC, everyone) &&
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
        SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED) &&
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                          &descriptor) == ERROR_SUCCESS;
    RegCloseKey(key);
  }
  // A key of its own is removed; a key of the system gets its rights back.
  ~ReadOnlyMachineKey() {
    if (created_) {
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, path_);
      return;
    }
    HKEY key = nullptr;
    if (!saved_ || RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_, 0, WRITE_DAC, &key) != ERROR_SUCCESS) {
      return;
    }
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, original_);
    RegCloseKey(key);
  }
  ReadOnlyMachineKey(const ReadOnlyMachineKey&) = delete;
  ReadOnlyMachineKey& operator=(const ReadOnlyMachineKey&) = delete;

  // Whether a write is really refused now.
  bool Refuses() const {
    if (!restricted_) return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
      return true;
    }
    RegCloseKey(key);
    return false;
  }

 private:
  const char* path_;
  bool restricted_ = false;
  bool created_ = false;
  bool saved_ = false;
  BYTE original_[4096];
};

TEST_F(SilentSetup, RefusedWritesEndWithExitCode5AndOneLogEntry) {
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
TEST_F(SilentSetup, LockThatCannotBeOpenedIsWaitedFor) {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ACL empty;
  ASSERT_TRUE(InitializeAcl(&empty, sizeof empty, ACL_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE));
  attributes.lpSecurityDescriptor = &descriptor;
  HANDLE lock = CreateMutexA(&attributes, TRUE, "Global\\PellumaraSetup");
  ASSERT_NE(lock, nullptr);
  std::thread closer = CloseLater(lock, 2000);
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(RunWith("/silent /folder=C:\\Tools\\Pellumara"), 0);
  EXPECT_GE(GetTickCount64() - start, 1800u);
  closer.join();
  EXPECT_TRUE(FileExists("C:\\Tools\\Pellumara\\p_mara64.exe"));
  RemoveInstallation({"C:\\Tools\\Pellumara"});
}

// One refused write is as incomplete as three.
TEST_F(SilentSetup, OneRefusedLinkEndsWithExitCode5) {
  const std::string desktop_link = SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Pellumara 64.lnk";
  ASSERT_TRUE(CreateDirectoryA(desktop_link.c_str(), nullptr));
  EXPECT_EQ(RunWith("/silent /folder=C:\\Tools\\Pellumara /desktop=1"), 5);
  EXPECT_EQ(OnlyLogMessage(),
            "Pellumara wurde installiert, aber die Registrierung ist unvollst\xE4ndig "
            "(fehlgeschlagene Eintr\xE4ge: 1).");
  RemoveDirectoryA(desktop_link.c_str());
  RemoveInstallation({"C:\\Tools\\Pellumara"});
}

// A standard user may not write the restart list: a file held without
// delete sharing then fails the run, and every file replaced before it is
// moved back, so the folder is what it was.
TEST_F(SilentSetup, HeldFileWithoutRightToTheRestartListUndoesTheUpgrade) {
  ScratchFolder target("silent-undo");
  const std::string options = "/silent /folder=" + target.path();
  ASSERT_EQ(RunWith(options), 0);
  WriteFileBytes(target / "p_mara64.exe", "version A");
  WriteFileBytes(target / "Plugins\\p_webp.dll", "version A, held");
  const std::string before = Snapshot(target.path());
  HANDLE holder = CreateFileA((target / "Plugins\\p_webp.dll").c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  {
    ReadOnlyMachineKey restart_list("System\\CurrentControlSet\\Control\\Session Manager");
    ASSERT_TRUE(restart_list.Refuses());
    EXPECT_EQ(RunWith(options), 3);
  }
  CloseHandle(holder);
  EXPECT_EQ(OnlyLogMessage(), PayloadFailed(target.path() + "\\"));
  EXPECT_EQ(Snapshot(target.path()), before);
  RemoveInstallation({target.path()});
}

}  // namespace
