// The real setup program installing silently: the unpacked viewer, its
// links, its registration and uninstall entry and the chosen associations,
// read back from the prefix's registry and folders.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "common/ansi_path.h"
#include "common/product_version.h"
#include "common/windows_version.h"
#include "engine/flow/setup_log.h"
#include "support/installation_checks.h"
#include "support/scratch.h"
#include "support/setup_process.h"
#include "support/silent_setup.h"
#include "support/zip_writer.h"
#include "unzip.h"
// after unzip.h, which it builds on
#include "iowin32.h"

namespace {

// Installations that go through: each writes no setup log.
class SilentInstall : public SilentSetup {
 protected:
  int InstallWith(const std::string& options) {
    const int exit_code = RunWith(options);
    EXPECT_FALSE(FileExists(start_ / kSetupLogName)) << ReadFileBytes(start_ / kSetupLogName);
    return exit_code;
  }

  // Everything an installation writes, so that each test starts clean.
  void TearDown() override {
    SilentSetup::TearDown();
    RemoveInstallation({"C:\\Tools\\Pellumara", "C:\\Tools\\Other"});
  }
};

// The names of the archive the setup carries, folders with their "/".
std::vector<std::string> PayloadNames(const std::string& archive_path) {
  std::vector<std::string> names;
  zlib_filefunc_def functions;
  fill_win32_filefunc(&functions);
  unzFile archive = unzOpen2(archive_path.c_str(), &functions);
  for (int status = unzGoToFirstFile(archive); archive != nullptr && status == UNZ_OK;
       status = unzGoToNextFile(archive)) {
    char name[520];
    unzGetCurrentFileInfo(archive, nullptr, name, sizeof name, nullptr, 0, nullptr, 0);
    names.push_back(name);
  }
  if (archive != nullptr) unzClose(archive);
  return names;
}

const char kVersionB[] = "version B of ";

// A copy of the setup whose archive has the same names, every file with
// other bytes: a second version to install over the first.
std::string MakeSetupB(const ScratchFolder& work) {
  HMODULE setup = LoadLibraryExA(SetupProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC found = FindResourceA(setup, MAKEINTRESOURCEA(208), "ZIP");
  if (found == nullptr) return {};
  const char* data = static_cast<const char*>(LockResource(LoadResource(setup, found)));
  WriteFileBytes(work / "a.zip", std::string(data, SizeofResource(setup, found)));
  FreeLibrary(setup);
  std::vector<ZipEntry> entries;
  for (const std::string& name : PayloadNames(work / "a.zip")) {
    entries.push_back(name.back() == '/' ? FolderEntry(name) : FileEntry(name, kVersionB + name));
  }
  std::string archive = MakeZip(entries);
  std::string setup_b = work / "setup-b.exe";
  if (!CopyFileA(SetupProgram().c_str(), setup_b.c_str(), FALSE)) return {};
  HANDLE update = BeginUpdateResourceA(setup_b.c_str(), FALSE);
  if (update == nullptr ||
      !UpdateResourceA(update, "ZIP", MAKEINTRESOURCEA(208),
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &archive[0],
                       static_cast<DWORD>(archive.size())) ||
      !EndUpdateResourceA(update, FALSE)) {
    return {};
  }
  return setup_b;
}

// Two versions started into one folder at the same time: one waits for the
// other, so the folder ends with one of them whole, never a mix.
TEST_F(SilentInstall, TwoSetupsStartedAtOnceLeaveOneWholeVersion) {
  ScratchFolder work("install-version-b");
  const std::string setup_b = MakeSetupB(work);
  ASSERT_FALSE(setup_b.empty());
  const std::string folder = "C:\\Tools\\Pellumara";
  SetupLaunch first, second;
  first.command_line = SetupCommandLine("/silent /folder=" + folder);
  second.command_line = "\"" + setup_b + "\" /silent /folder=" + folder;
  first.working_directory = second.working_directory = start_.path();
  StartedSetup one(first);
  StartedSetup two(second);
  ASSERT_TRUE(one.started() && two.started());
  EXPECT_EQ(one.WaitForExit(60000), 0);
  EXPECT_EQ(two.WaitForExit(60000), 0);
  EXPECT_EQ(CountTree(folder).files, 33);  // the payload and p_mara64.ini
  int of_b = 0, files = 0;
  for (const std::string& name : PayloadNames(work / "a.zip")) {
    if (name.back() == '/') continue;
    ++files;
    std::string path = folder + "\\" + name;
    if (ReadFileBytes(path) == kVersionB + name) ++of_b;
  }
  EXPECT_EQ(files, 32);
  EXPECT_TRUE(of_b == 0 || of_b == files) << of_b << " of " << files << " files are version B";
}

TEST_F(SilentInstall, FullInstallationLeavesARegisteredViewer) {
  ASSERT_EQ(
      InstallWith("/silent /folder=C:\\Tools\\Pellumara /group=1 /desktop=1 /thumbs=1 /assoc=1"),
      0);
  const std::string folder = "C:\\Tools\\Pellumara\\";
  const std::string viewer = folder + "p_mara64.exe";
  EXPECT_TRUE(FileExists(viewer));

  ExpectLinksOfTheCurrentUser();
  ExpectRegisteredViewer(folder);

  // Associations: every type registered, the image extensions taken.
  EXPECT_EQ(SubkeysStartingWith(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes", "Pellumara.").size(), 73u);
  for (const char* jpeg : {"jpg", "jpeg", "jpe"}) {
    EXPECT_EQ(
        ReadRegistryString(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\Classes\\.") + jpeg, nullptr),
        "Pellumara.jpg");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER,
                                 kFileExtsKey + std::string(jpeg) + "\\UserChoice", "Progid"),
              "Pellumara.jpg");
  }
  EXPECT_NE(ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.mp3", nullptr),
            "Pellumara.mp3");
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pellumara.mp3\\DefaultIcon",
                               nullptr),
            viewer + ",8");
}

// The link names are the setup's own German texts: on a Japanese (932) or
// UTF-8 (65001) Windows, as this case runs once more, they are named as on
// a German one, read back in UTF-16.
TEST_F(SilentInstall, LinksAreNamedAsOnAGermanWindowsWhateverTheCodePage) {
  ASSERT_EQ(InstallWith("/silent /folder=C:\\Tools\\Pellumara /group=1 /desktop=1"), 0);
  wchar_t programs[MAX_PATH] = L"";
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs), S_OK);
  std::set<std::wstring> group;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((std::wstring(programs) + L"\\Pellumara\\*.lnk").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  do group.insert(found.cFileName); while (FindNextFileW(search, &found));
  FindClose(search);
  std::set<std::wstring> expected = {
      L"Pellumara 64 " + std::wstring(WideOf(PELLUMARA_VERSION_TEXT, CP_ACP)) + L".lnk", L"Pellumara - Thumbnails.lnk",
      L"\u00dcber Pellumara.lnk", L"Kommandozeilen-Optionen.lnk", L"Was ist neu.lnk",
      L"Pellumara Hilfe.lnk", L"Verf\u00fcgbare PlugIns.lnk", L"Verf\u00fcgbare Sprachen.lnk"};
  if (!IsWindowsVersionAtLeast(6, 2, 0)) expected.insert(L"Pellumara deinstallieren.lnk");
  EXPECT_EQ(group, expected);
  wchar_t desktop[MAX_PATH] = L"";
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop), S_OK);
  EXPECT_NE(GetFileAttributesW((std::wstring(desktop) + L"\\Pellumara 64.lnk").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

TEST_F(SilentInstall, PlainInstallationRegistersWithoutLinksOrAssociations) {
  ASSERT_EQ(InstallWith("/silent /folder=C:\\Tools\\Pellumara"), 0);
  EXPECT_FALSE(FolderExists(SpecialFolder(CSIDL_PROGRAMS) + "\\Pellumara"));
  EXPECT_FALSE(FileExists(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Pellumara 64.lnk"));
  EXPECT_FALSE(
      KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Directory\\shell\\Browse with &Pellumara"));
  EXPECT_EQ(SubkeysStartingWith(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes", "Pellumara.").size(), 73u);
  EXPECT_NE(ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.png", nullptr),
            "Pellumara.png");
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"),
            PELLUMARA_VERSION_TEXT);
}

TEST_F(SilentInstall, SecondInstallationLeavesOneEntryWithItsValues) {
  ASSERT_EQ(InstallWith("/silent /folder=C:\\Tools\\Pellumara /group=1 /assoc=1"), 0);
  ASSERT_EQ(InstallWith("/silent /folder=C:\\Tools\\Other /group=1 /allusers=1 /assoc=2"), 0);
  EXPECT_EQ(
      SubkeysStartingWith(HKEY_LOCAL_MACHINE,
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "Pellumara"),
      std::vector<std::string>{"Pellumara64"});
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"),
            "C:\\Tools\\Other\\p_mara64.exe");
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
            Quoted("C:\\Tools\\Other\\pm_uninstall.exe"));
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.mp3", nullptr),
            "Pellumara.mp3");
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE,
                               "SOFTWARE\\Classes\\Pellumara.jpg\\shell\\open\\command", nullptr),
            "\"C:\\Tools\\Other\\p_mara64.exe\" \"%1\"");
  // The first run's links stay where they were; the second made its own set.
  EXPECT_TRUE(FolderExists(SpecialFolder(CSIDL_PROGRAMS) + "\\Pellumara"));
  EXPECT_EQ(FilesIn(SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Pellumara").size(),
            IsWindowsVersionAtLeast(6, 2, 0) ? 8u : 9u);

  // Without /folder= a third run goes where the last one installed.
  ASSERT_EQ(InstallWith("/silent"), 0);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"),
            "C:\\Tools\\Other\\p_mara64.exe");
}

}  // namespace
