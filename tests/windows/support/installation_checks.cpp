#include "support/installation_checks.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include "common/product_version.h"
#include "common/scoped_win.h"
#include "common/windows_version.h"
#include "rules/format_catalogue.h"
#include "support/scratch.h"

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellumara64";
const char kFileExtsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";

std::string RegistryDword(HKEY hive, const std::string& key, const char* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueA(hive, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS) {
    return "<missing>";
  }
  return std::to_string(value);
}

bool KeyExists(HKEY hive, const std::string& path) {
  ScopedKey key;
  return RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, key.Out()) == ERROR_SUCCESS;
}

std::vector<std::string> SubkeysStartingWith(HKEY hive, const std::string& path,
                                             const std::string& prefix) {
  std::vector<std::string> names;
  ScopedKey key;
  if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, key.Out()) != ERROR_SUCCESS) return names;
  char name[256];
  for (DWORD i = 0; RegEnumKeyA(key.Get(), i, name, sizeof name) == ERROR_SUCCESS; ++i) {
    if (_strnicmp(name, prefix.c_str(), prefix.size()) == 0) names.push_back(name);
  }
  return names;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Expanded(const std::string& text) {
  char expanded[MAX_PATH] = "";
  ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof expanded);
  return expanded;
}

std::string ApplicationOpenCommand() {
  return ReadRegistryString(HKEY_LOCAL_MACHINE,
                            "SOFTWARE\\Classes\\Pellumara\\shell\\open\\command", nullptr);
}

std::string ExtensionDefault(const std::string& extension) {
  return ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\." + extension, nullptr);
}

std::size_t ViewerProgIdCount() {
  return SubkeysStartingWith(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes", "Pellumara.").size();
}

void ExpectLinksOfTheCurrentUser() {
  std::set<std::string> group = FilesIn(SpecialFolder(CSIDL_PROGRAMS) + "\\Pellumara");
  EXPECT_EQ(group.size(), IsWindowsVersionAtLeast(6, 2, 0) ? 8u : 9u);
  EXPECT_EQ(group.count("Pellumara 64 " PELLUMARA_VERSION_TEXT ".lnk"), 1u);
  EXPECT_EQ(group.count("\334ber Pellumara.lnk"), 1u);
  const std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  EXPECT_TRUE(FileExists(desktop + "\\Pellumara 64.lnk"));
  EXPECT_TRUE(FileExists(desktop + "\\Pellumara 64 Thumbnails.lnk"));
}

void ExpectRegisteredViewer(const std::string& folder) {
  const std::string viewer = folder + "p_mara64.exe";
  EXPECT_EQ(ApplicationOpenCommand(), Quoted(viewer) + " \"%1\"");
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
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"),
            PELLUMARA_VERSION_TEXT);
  EXPECT_EQ(RegistryDword(HKEY_LOCAL_MACHINE, kUninstallKey, "VersionMajor"),
            std::to_string(PELLUMARA_VERSION_MAJOR));
  EXPECT_EQ(RegistryDword(HKEY_LOCAL_MACHINE, kUninstallKey, "VersionMinor"),
            std::to_string(PELLUMARA_VERSION_MINOR));
  EXPECT_EQ(RegistryDword(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize"), "5120");
  if (KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications")) {
    EXPECT_EQ(
        ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications", "Pellumara"),
        "SOFTWARE\\Pellumara\\Capabilities");
  }
}

void RemoveInstallation(const std::vector<std::string>& folders) {
  for (const std::string& folder : folders) RemoveTree(folder);
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
      if (ExtensionDefault(extension).rfind("Pellumara.", 0) == 0) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\Classes\\." + extension).c_str());
      }
      RegDeleteTreeA(HKEY_CURRENT_USER, (kFileExtsKey + extension + "\\UserChoice").c_str());
      RegDeleteTreeA(
          HKEY_LOCAL_MACHINE,
          ("SOFTWARE\\Classes\\Pellumara." + std::string(row.registrations[i].type_name)).c_str());
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
