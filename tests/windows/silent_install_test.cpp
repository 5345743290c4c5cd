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

#include "app/windows_version.h"
#include "engine/setup_log.h"
#include "integration/format_catalogue.h"
#include "support/scratch.h"
#include "support/setup_process.h"

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellumara64";
const char kFileExts[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";

std::string Dword(HKEY hive, const std::string& key, const char* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueA(hive, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS) {
    return "<missing>";
  }
  return std::to_string(value);
}

bool KeyExists(HKEY hive, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::vector<std::string> SubkeysStartingWith(HKEY hive, const std::string& path,
                                             const std::string& prefix) {
  std::vector<std::string> names;
  HKEY key;
  if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  char name[256];
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
    if (_strnicmp(name, prefix.c_str(), prefix.size()) == 0) names.push_back(name);
  }
  RegCloseKey(key);
  return names;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

class SilentInstall : public ::testing::Test {
 protected:
  int RunWith(const std::string& options) {
    SetupLaunch launch;
    launch.command_line = SetupCommandLine(options);
    launch.working_directory = start_.path();
    SetupRun run = RunSetup(launch);
    EXPECT_TRUE(run.finished) << options;
    EXPECT_TRUE(run.windows_seen.empty()) << "window: " << run.windows_seen.front();
    EXPECT_FALSE(FileExists(start_ / kSetupLogName)) << ReadFileBytes(start_ / kSetupLogName);
    return run.exit_code;
  }

  // Everything an installation writes, so that each test starts clean.
  void TearDown() override {
    for (const char* folder : {"C:\\Tools\\Pellumara", "C:\\Tools\\Other"}) RemoveTree(folder);
    for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS})
      RemoveTree(SpecialFolder(csidl) + "\\Pellumara");
    for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY}) {
      for (const char* name : {"Pellumara 64.lnk", "Pellumara 64 Thumbnails.lnk"}) {
        DeleteFileA((SpecialFolder(csidl) + "\\" + name).c_str());
      }
    }
    for (const FormatRow& row : FormatCatalogue) {
      for (int i = 0; i < row.registration_count(); ++i) {
        const std::string extension = row.registrations[i].extension;
        std::string default_value =
            ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\." + extension, nullptr);
        if (default_value.rfind("Pellumara.", 0) == 0) {
          RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\Classes\\." + extension).c_str());
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, (kFileExts + extension + "\\UserChoice").c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\Classes\\Pellumara." +
                                            std::string(row.registrations[i].type_name))
                                               .c_str());
      }
    }
    for (const char* key : {"SOFTWARE\\Classes\\Pellumara", "SOFTWARE\\Pellumara", kUninstallKey,
                            "SOFTWARE\\Classes\\Applications\\p_mara64.exe",
                            "SOFTWARE\\Classes\\Directory\\shell\\Browse with &Pellumara",
                            "SOFTWARE\\Classes\\Drive\\shell\\Browse with &Pellumara"}) {
      RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
    }
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications", "Pellumara");
  }

  ScratchFolder start_{"install-start"};
};

TEST_F(SilentInstall, FullInstallationLeavesARegisteredViewer) {
  ASSERT_EQ(RunWith("/silent /folder=C:\\Tools\\Pellumara /group=1 /desktop=1 /thumbs=1 /assoc=1"),
            0);
  const std::string folder = "C:\\Tools\\Pellumara\\";
  const std::string viewer = folder + "p_mara64.exe";
  const std::string open = Quoted(viewer) + " \"%1\"";
  EXPECT_TRUE(FileExists(viewer));

  // Links: the Start-menu folder of the current user and both desktop links.
  std::set<std::string> group = FilesIn(SpecialFolder(CSIDL_PROGRAMS) + "\\Pellumara");
  EXPECT_EQ(group.size(), IsWindowsVersionAtLeast(6, 2, 0) ? 8u : 9u);
  EXPECT_EQ(group.count("Pellumara 64 4.41.lnk"), 1u);
  EXPECT_EQ(group.count("\334ber Pellumara.lnk"), 1u);
  const std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  EXPECT_TRUE(FileExists(desktop + "\\Pellumara 64.lnk"));
  EXPECT_TRUE(FileExists(desktop + "\\Pellumara 64 Thumbnails.lnk"));

  // Registration, verbs and uninstall entry.
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE,
                               "SOFTWARE\\Classes\\Pellumara\\shell\\open\\command", nullptr),
            open);
  EXPECT_EQ(ReadRegistryString(HKEY_CLASSES_ROOT, "Applications\\p_mara64.exe", "FriendlyAppName"),
            "Pellumara 64-bit");
  EXPECT_EQ(ReadRegistryString(
                HKEY_LOCAL_MACHINE,
                "SOFTWARE\\Classes\\Directory\\shell\\Browse with &Pellumara\\command", nullptr),
            Quoted(viewer) + " \"%1 /thumbs\"");
  EXPECT_EQ(
      ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Pellumara\\shell\\open\\command", nullptr),
      Quoted(viewer));
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"),
            "Pellumara 64 (remove only)");
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
            Quoted(folder + "pm_uninstall.exe"));
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"), viewer);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), "4.41");
  EXPECT_EQ(Dword(HKEY_LOCAL_MACHINE, kUninstallKey, "VersionMajor"), "4");
  EXPECT_EQ(Dword(HKEY_LOCAL_MACHINE, kUninstallKey, "VersionMinor"), "41");
  EXPECT_EQ(Dword(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize"), "5120");
  if (KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications")) {
    EXPECT_EQ(
        ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications", "Pellumara"),
        "SOFTWARE\\Pellumara\\Capabilities");
  }

  // Associations: every type registered, the image extensions taken.
  EXPECT_EQ(SubkeysStartingWith(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes", "Pellumara.").size(), 73u);
  for (const char* jpeg : {"jpg", "jpeg", "jpe"}) {
    EXPECT_EQ(
        ReadRegistryString(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\Classes\\.") + jpeg, nullptr),
        "Pellumara.jpg");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kFileExts + std::string(jpeg) + "\\UserChoice",
                                 "Progid"),
              "Pellumara.jpg");
  }
  EXPECT_NE(ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.mp3", nullptr),
            "Pellumara.mp3");
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pellumara.mp3\\DefaultIcon",
                               nullptr),
            viewer + ",8");
}

TEST_F(SilentInstall, PlainInstallationRegistersWithoutLinksOrAssociations) {
  ASSERT_EQ(RunWith("/silent /folder=C:\\Tools\\Pellumara"), 0);
  EXPECT_FALSE(FolderExists(SpecialFolder(CSIDL_PROGRAMS) + "\\Pellumara"));
  EXPECT_FALSE(FileExists(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Pellumara 64.lnk"));
  EXPECT_FALSE(
      KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Directory\\shell\\Browse with &Pellumara"));
  EXPECT_EQ(SubkeysStartingWith(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes", "Pellumara.").size(), 73u);
  EXPECT_NE(ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.png", nullptr),
            "Pellumara.png");
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), "4.41");
}

TEST_F(SilentInstall, SecondInstallationLeavesOneEntryWithItsValues) {
  ASSERT_EQ(RunWith("/silent /folder=C:\\Tools\\Pellumara /group=1 /assoc=1"), 0);
  ASSERT_EQ(RunWith("/silent /folder=C:\\Tools\\Other /group=1 /allusers=1 /assoc=2"), 0);
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
  ASSERT_EQ(RunWith("/silent"), 0);
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"),
            "C:\\Tools\\Other\\p_mara64.exe");
}

}  // namespace
