// The real setup program, started with "/silent" over an earlier
// installation: files held by other programs, replacements at the restart
// and the restart list, the journal of a commit and a shutdown meanwhile.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/messages.h"
#include "engine/flow/setup_log.h"
#include "support/installation_checks.h"
#include "support/scratch.h"
#include "support/setup_process.h"
#include "support/silent_setup.h"

namespace {

class SilentUpgrade : public SilentSetup {
 protected:
  // Installs with options (installed: the folder's snapshot then, where
  // given), then again while held is open, so that its replacement waits
  // for the restart (exit 3010); staged becomes the file the restart list
  // moves over held. The setup log of these runs is removed.
  void LeaveReplacementWaiting(const std::string& options, const std::string& folder,
                               const std::string& held, std::string* staged,
                               std::string* installed = nullptr);
};

// An upgrade while another program holds a file without delete sharing:
// the restart puts the new file in place (exit 3010, the file named in the
// log and on the restart list). A read-only file is kept and named: exit 5.
TEST_F(SilentUpgrade, HeldFileExits3010AndReadOnlyFileExits5EachNamedInTheLog) {
  ScratchFolder target("silent-upgrade");
  const std::string options = "/silent /folder=" + target.path();
  ASSERT_EQ(RunWith(options), 0);
  const std::string held = target / "Plugins\\p_webp.dll";
  ScopedHandle holder = HoldFile(held);
  ASSERT_TRUE(holder);
  EXPECT_EQ(RunWith(options), 3010);
  holder.Close();
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
TEST_F(SilentUpgrade, FileHeldForAMomentIsReplacedNow) {
  ScratchFolder target("silent-brief-hold");
  const std::string options = "/silent /folder=" + target.path();
  ASSERT_EQ(RunWith(options), 0);
  const std::string held = target / "Plugins\\p_webp.dll";
  const std::string installed = ReadFileBytes(held);
  WriteFileBytes(held, "version A");
  ScopedHandle holder = HoldFile(held);
  ASSERT_TRUE(holder);
  std::thread closer = CloseLater(std::move(holder), 1500);
  EXPECT_EQ(RunWith(options), 0);
  closer.join();
  EXPECT_TRUE(ReadFileBytes(held) == installed) << "the plug-in is not the new version";
  EXPECT_EQ(PendingFileRenames().find(target.path().substr(2)), std::string::npos);
  RemoveInstallation({target.path()});
}

constexpr char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";

// The restart list's value as stored, in UTF-16, terminators included.
std::wstring RestartListValue() {
  ScopedKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, key.Out()) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::wstring value(1 << 16, L'\0');
  DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key.Get(), L"PendingFileRenameOperations", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&value[0]), &size) != ERROR_SUCCESS) {
    size = 0;
  }
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
  ScopedKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, key.Out()) ==
      ERROR_SUCCESS) {
    RegDeleteValueA(key.Get(), "PendingFileRenameOperations");
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
  ScopedKey key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, key.Out()),
            ERROR_SUCCESS);
  RegSetValueExW(key.Get(), L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                 reinterpret_cast<const BYTE*>(value.data()),
                 static_cast<DWORD>(value.size() * sizeof(wchar_t)));
}

// A replacement that waits for the restart survives a later run that
// fails, and a later run that goes through takes it over; either leaves
// the pairs of other programs, added in between, as they were. After the
// restart the folder holds the newest version that went through.
TEST_F(SilentUpgrade, ReplacementWaitingForTheRestartSurvivesLaterRuns) {
  ScratchFolder target("silent-waiting");
  const std::string options = "/silent /folder=" + target.path();
  const std::string held = target / "Plugins\\p_webp.dll";
  ASSERT_EQ(RunWith(options), 0);
  const std::string newest = Snapshot(target.path());
  for (bool second_run_fails : {true, false}) {
    const char* run = second_run_fails ? "after a failed run" : "after a run that went through";
    WriteFileBytes(held, "version A");
    ScopedHandle holder = HoldFile(held);
    ASSERT_TRUE(holder);
    EXPECT_EQ(RunWith(options), 3010);
    holder.Close();
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

// The file that the restart list moves over held, as this run staged it.
std::string StagedFileFor(const std::string& held) {
  std::string staged;
  const std::vector<std::wstring> strings = RestartListStrings();
  for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
    if (lstrcmpiW(RestartListPath(strings[i + 1]).c_str(), Wide(held).c_str()) == 0) {
      const std::wstring source = RestartListPath(strings[i]);
      staged.assign(source.begin(), source.end());
    }
  }
  return staged;
}

void SilentUpgrade::LeaveReplacementWaiting(const std::string& options,
                                            const std::string& folder, const std::string& held,
                                            std::string* staged, std::string* installed) {
  ASSERT_EQ(RunWith(options), 0);
  if (installed != nullptr) *installed = Snapshot(folder);
  ScopedHandle holder = HoldFile(held);
  ASSERT_TRUE(holder);
  ASSERT_EQ(RunWith(options), 3010);
  holder.Close();
  DeleteFileA((start_ / kSetupLogName).c_str());
  *staged = StagedFileFor(held);
  ASSERT_FALSE(staged->empty()) << PendingFileRenames();
}

// An earlier run's replacement whose staged file another program holds open
// (any user may read it so) cannot be taken over: the later run's own file
// waits behind it (exit 3010, the file named), and after the restart the
// folder holds the later run's version whole, not the earlier staged file.
TEST_F(SilentUpgrade, HeldEarlierReplacementIsFollowedByTheLaterRunsFile) {
  ScratchFolder target("silent-held-waiting");
  const std::string options = "/silent /folder=" + target.path();
  const std::string held = target / "Plugins\\p_webp.dll";
  std::string staged;
  std::string newest;
  ASSERT_NO_FATAL_FAILURE(LeaveReplacementWaiting(options, target.path(), held, &staged, &newest));
  WriteFileBytes(staged, "version of the earlier run");
  ScopedHandle staged_holder = HoldFile(staged);
  ASSERT_TRUE(staged_holder);
  EXPECT_EQ(RunWith(options), 3010);
  staged_holder.Close();
  EXPECT_EQ(OnlyLogMessage(), held + ": " + LoadMessage(IDS_FILE_REPLACED_AT_RESTART));
  CarryOutRestartList();
  EXPECT_EQ(Snapshot(target.path()), newest);
  RemoveInstallation({target.path()});
}

// An earlier replacement that cannot be taken over (its staged file held)
// and this run's file that cannot wait behind it (no right to the restart
// list): the restart brings the earlier version back, so the run says so
// and ends with exit 5.
TEST_F(SilentUpgrade, EarlierReplacementNobodyCanFollowExits5NamingTheFile) {
  ScratchFolder target("silent-unfollowed");
  const std::string options = "/silent /folder=" + target.path();
  const std::string held = target / "Plugins\\p_webp.dll";
  std::string staged;
  ASSERT_NO_FATAL_FAILURE(LeaveReplacementWaiting(options, target.path(), held, &staged));
  ScopedHandle staged_holder = HoldFile(staged);
  ASSERT_TRUE(staged_holder);
  {
    ReadOnlyMachineKey restart_list(kSessionManagerKey);
    ASSERT_TRUE(restart_list.Refuses());
    EXPECT_EQ(RunWith(options), 5);
  }
  staged_holder.Close();
  EXPECT_EQ(OnlyLogMessage(), held + ": " + LoadMessage(IDS_EARLIER_FILE_AT_RESTART));
  CarryOutRestartList();
  RemoveInstallation({target.path()});
}

// A restart list that cannot be read (a value of another type) may hold an
// earlier replacement: the run cannot tell whether an older file comes
// back, names that in its log and ends with exit 5, not 0.
TEST_F(SilentUpgrade, UnreadableRestartListExits5NamedInTheRunLog) {
  ScratchFolder target("silent-unreadable-list");
  const std::string options = "/silent /log=run.log /folder=" + target.path();
  {
    ScopedKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, key.Out()),
              ERROR_SUCCESS);
    const char kNotAList[] = "\\??\\C:\\staged.tmp";
    ASSERT_EQ(RegSetValueExA(key.Get(), "PendingFileRenameOperations", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(kNotAList), sizeof kNotAList),
              ERROR_SUCCESS);
  }
  const int exit_code = RunWith(options);
  CarryOutRestartList();
  EXPECT_EQ(exit_code, 5);
  EXPECT_NE(ReadFileBytes(start_ / "run.log").find("restart list (PendingFileRenameOperations) "
                                                   "cannot be read"),
            std::string::npos);
  EXPECT_EQ(OnlyLogMessage(), LoadMessage(IDS_RESTART_LIST_UNREADABLE));
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
TEST_F(SilentUpgrade, ShutdownWaitsForTheSilentInstallation) {
  ScratchFolder target("silent-shutdown");
  const std::string options = "/silent /folder=" + target.path();
  ASSERT_EQ(RunWith(options), 0);
  const std::string journal = target / "~pmarag-journal.pm";
  ScopedHandle holder = HoldFile(target / "Plugins\\p_webp.dll");
  ASSERT_TRUE(holder);
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
  holder.Close();
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

// A standard user may not write the restart list: a file held without
// delete sharing then fails the run, and every file replaced before it is
// moved back, so the folder is what it was.
TEST_F(SilentUpgrade, HeldFileWithoutRightToTheRestartListUndoesTheUpgrade) {
  ScratchFolder target("silent-undo");
  const std::string options = "/silent /folder=" + target.path();
  ASSERT_EQ(RunWith(options), 0);
  WriteFileBytes(target / "p_mara64.exe", "version A");
  WriteFileBytes(target / "Plugins\\p_webp.dll", "version A, held");
  const std::string before = Snapshot(target.path());
  ScopedHandle holder = HoldFile(target / "Plugins\\p_webp.dll");
  ASSERT_TRUE(holder);
  {
    ReadOnlyMachineKey restart_list("System\\CurrentControlSet\\Control\\Session Manager");
    ASSERT_TRUE(restart_list.Refuses());
    EXPECT_EQ(RunWith(options), 3);
  }
  holder.Close();
  EXPECT_EQ(OnlyLogMessage(), PayloadFailed(target.path() + "\\"));
  EXPECT_EQ(Snapshot(target.path()), before);
  RemoveInstallation({target.path()});
}

}  // namespace
