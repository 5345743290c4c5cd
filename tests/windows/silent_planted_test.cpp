// The real setup program, started with "/silent" among things a standard
// user can prepare: DLLs beside the setup, folders swapped for links in the
// temporary folder, and logs that are links.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/flow/setup_log.h"
#include "support/scratch.h"
#include "support/setup_process.h"
#include "support/silent_setup.h"
#include "support/wizard_driver.h"
#include "support/wizard_fixture.h"

namespace {

class SilentPlanted : public SilentSetup {};

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
TEST_F(SilentPlanted, DllsPlacedBesideTheSetupAreNeverLoaded) {
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
  WizardDriver driver(wizard.process_id());
  EXPECT_TRUE(driver.WaitForSheet(10000)) << "no wizard appeared";
  // Closed through its quit question: a dialog shows only once its thread
  // has nothing else to do, so the page has painted by then, and by the
  // wizard's end every DLL it loaded on the way has left its marker.
  driver.Press(kCancel);
  const HWND question = driver.WaitForMessageBox();
  ASSERT_NE(question, nullptr) << "no quit question";
  EXPECT_TRUE(WizardDriver::Answer(question, IDYES)) << "the quit question stayed after Yes";
  EXPECT_EQ(wizard.WaitForExit(20000), kExitWizardClosed) << "the wizard did not end";
  for (const std::string& name : planted) {
    EXPECT_FALSE(FileExists(downloads / (name + ".loaded"))) << name;
  }
}

// The names in folder that FindFirstFileA(folder\pattern) lists, in the
// order it lists them.
std::vector<std::string> Listed(const std::string& folder, const char* pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  ScopedFind search(FindFirstFileA((folder + pattern).c_str(), &found));
  if (!search) return names;
  do {
    if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0) {
      names.push_back(found.cFileName);
    }
  } while (FindNextFileA(search.Get(), &found));
  return names;
}

// Anyone may create folders in SYSTEM's temporary folder. A planted private
// folder that becomes a link to another folder after the sweep listed it,
// while the sweep is busy with another one, leads the sweep nowhere; a
// killed run's honest leftover still goes. (A sweep that takes no time for
// planted files may be past the folder before the swap: then nothing can
// go wrong either. The swap itself is met in PlantedLinks.)
TEST_F(SilentPlanted, PrivateFolderSwappedForALinkLeadsTheSweepNowhere) {
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
  EXPECT_TRUE(RemoveHostLink(swapped)) << "the link stayed";
  RemoveDirectoryA((swapped + ".away").c_str());
  RemoveTree(busy);
}

// A link at the name of /log= that leads to a file whose path is too long
// for a final path of 260 characters: the setup cannot see where it leads,
// so it replaces the link by a log of its own instead of writing through.
TEST_F(SilentPlanted, RunLogAtALinkToALongPathIsReplacedNotWrittenThrough) {
  LongPathFile far_away(start_.path(), "another user's file");
  if (!MakeHostLink(start_ / "run.log", far_away.path())) GTEST_SKIP() << "no link could be made";
  EXPECT_EQ(RunWith("/silent /folder= /log=run.log"), 2);
  EXPECT_EQ(far_away.Bytes(), "another user's file");
  EXPECT_FALSE(IsReparsePoint(start_ / "run.log"));
  const std::vector<std::string> facts = RunLogFacts(ReadFileBytes(start_ / "run.log"));
  ASSERT_FALSE(facts.empty());
  EXPECT_EQ(facts.back(), "exit code 2");
  EXPECT_TRUE(RemoveHostLink(start_ / "run.log")) << "the link stayed";
}

// The setup log of a failing run, a symbolic link and then a hard link to
// another file: neither is written through, the run log names the refusal
// and the run ends as it would anyway.
TEST_F(SilentPlanted, SetupLogThatIsALinkIsRefusedAndTheResultStays) {
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

}  // namespace
