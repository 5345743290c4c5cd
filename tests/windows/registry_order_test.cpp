// The order of the integration's registry operations, watched through a
// layer that records every call before passing it on to the scratch hives.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "common/product_version.h"
#include "integration/integrate_with_system.h"
#include "rules/format_catalogue.h"
#include "support/registry_dump.h"
#include "support/scratch.h"

namespace {

const char kFolder[] = "C:\\Tools\\Pellumara";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellumara64";

std::string HiveName(HKEY hive) {
  if (hive == HKEY_LOCAL_MACHINE) return "HKLM";
  if (hive == HKEY_CURRENT_USER) return "HKCU";
  if (hive == HKEY_CLASSES_ROOT) return "HKCR";
  return "other";
}

class TracingRegistry : public RegistryLayer {
 public:
  std::vector<std::string> operations;
  std::string refused_open;                 // a key path whose opening fails
  std::vector<std::string> links_to_check;  // must exist at the first write
  bool links_there_at_first_write = false;
  int keys_handed_out = 0;

  void SetDefaultValue(HKEY hive, const char* path, const char* text) override {
    Record("set-default " + HiveName(hive) + " " + path + " = " + text);
    RegistryLayer::SetDefaultValue(hive, path, text);
  }
  HKEY OpenKey(HKEY hive, const char* path, REGSAM access) override {
    char rights[16];
    std::snprintf(rights, sizeof rights, "0x%lx", static_cast<unsigned long>(access));
    Record("open " + HiveName(hive) + " " + path + " " + rights);
    HKEY key = refused_open == path ? nullptr : RegistryLayer::OpenKey(hive, path, access);
    keys_handed_out += key != nullptr;
    return key;
  }
  HKEY CreateKey(HKEY hive, const char* path) override {
    Record("create " + HiveName(hive) + " " + path);
    HKEY key = RegistryLayer::CreateKey(hive, path);
    keys_handed_out += key != nullptr;
    return key;
  }
  void SetString(HKEY key, const char* name, const char* text) override {
    Record(std::string("set-string ") + name + " = " + text);
    RegistryLayer::SetString(key, name, text);
  }
  void SetDword(HKEY key, const char* name, DWORD value) override {
    Record(std::string("set-dword ") + name + " = " + std::to_string(value));
    RegistryLayer::SetDword(key, name, value);
  }
  void DeleteKey(HKEY hive, const char* path) override {
    Record("delete " + HiveName(hive) + " " + path);
    RegistryLayer::DeleteKey(hive, path);
  }
  void CloseKey(HKEY key) override {
    Record("close");
    --keys_handed_out;
    RegistryLayer::CloseKey(key);
  }

 private:
  void Record(const std::string& operation) {
    if (operations.empty()) {
      links_there_at_first_write = !links_to_check.empty();
      for (const std::string& link : links_to_check) links_there_at_first_write &= FileExists(link);
    }
    operations.push_back(operation);
  }
};

class RegistryOrder : public ::testing::Test {
 protected:
  void TearDown() override {
    RemoveTree(programs_ + "\\Pellumara");
    DeleteFileA((desktop_ + "\\Pellumara 64.lnk").c_str());
    DeleteFileA((desktop_ + "\\Pellumara 64 Thumbnails.lnk").c_str());
  }

  // Index of the first operation equal to expected, or -1.
  int Find(const std::string& expected) const {
    auto found = std::find(trace_.operations.begin(), trace_.operations.end(), expected);
    return found == trace_.operations.end() ? -1
                                            : static_cast<int>(found - trace_.operations.begin());
  }
  // The operations from index on, as many as expected holds.
  std::vector<std::string> From(int index, std::size_t count) const {
    if (index < 0) return {"<not found>"};
    auto start = trace_.operations.begin() + index;
    auto end = trace_.operations.begin() + std::min(trace_.operations.size(), index + count);
    return {start, end};
  }

  // Looked up before the hives are redirected.
  const std::string programs_ = SpecialFolder(CSIDL_PROGRAMS);
  const std::string desktop_ = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  RegistryOverride scratch_{"order"};
  TracingRegistry trace_;
  int marks_[kFormatCount] = {};
};

TEST_F(RegistryOrder, EveryLinkIsMadeBeforeTheFirstWrite) {
  trace_.links_to_check = {programs_ + "\\Pellumara\\Pellumara Hilfe.lnk",
                           desktop_ + "\\Pellumara 64.lnk",
                           desktop_ + "\\Pellumara 64 Thumbnails.lnk"};
  IntegrateWithSystem(1, 1, kFolder, 1, 1, 1, 0, marks_, trace_);
  EXPECT_TRUE(trace_.links_there_at_first_write);
  ASSERT_FALSE(trace_.operations.empty());
  EXPECT_EQ(trace_.operations[0],
            "set-default HKLM SOFTWARE\\Classes\\Directory\\shell\\Browse with &Pellumara = "
            "Browse with &Pellumara");
  EXPECT_EQ(trace_.keys_handed_out, 0) << "a key was left open";
}

TEST_F(RegistryOrder, RegistrationStepsRunInTheirOrder) {
  IntegrateWithSystem(1, 0, kFolder, 0, 0, 0, 0, marks_, trace_);
  const std::string viewer = "C:\\Tools\\Pellumara\\p_mara64.exe";
  const std::string open = "\"" + viewer + "\" \"%1\"";
  EXPECT_EQ(trace_.operations[0], "set-default HKLM SOFTWARE\\Classes\\Pellumara = Pellumara");
  EXPECT_EQ(From(1, 8),
            (std::vector<std::string>{
                "set-default HKLM SOFTWARE\\Classes\\Pellumara\\shell\\open\\command = " + open,
                "delete HKLM SOFTWARE\\Classes\\Pellumara\\DefaultIcon",
                "set-default HKCR Applications\\p_mara64.exe\\shell\\open\\command = " + open,
                "open HKCR Applications\\p_mara64.exe 0xf003f",
                "set-string FriendlyAppName = Pellumara 64-bit",
                "close",
                "set-default HKLM " + std::string(kUninstallKey) + " = ",
                "open HKLM " + std::string(kUninstallKey) + " 0xf003f",
            }));
  EXPECT_EQ(From(9, 10),
            (std::vector<std::string>{
                "set-string DisplayName = Pellumara 64 (remove only)",
                "set-string UninstallString = \"C:\\Tools\\Pellumara\\pm_uninstall.exe\"",
                "set-string Publisher = Kestrelwood",
                "set-string InstallLocation = " + viewer,
                "set-string DisplayVersion = " PELLUMARA_VERSION_TEXT,
                "set-string DisplayIcon = " + viewer + ",0",
                "set-dword VersionMajor = " + std::to_string(PELLUMARA_VERSION_MAJOR),
                "set-dword VersionMinor = " + std::to_string(PELLUMARA_VERSION_MINOR),
                "set-dword EstimatedSize = 5120",
                "close",
            }));
  EXPECT_EQ(From(19, 10),
            (std::vector<std::string>{
                "create HKLM SOFTWARE\\Pellumara",
                "close",
                "set-default HKLM SOFTWARE\\Pellumara\\shell\\open\\command = \"" + viewer + "\"",
                "create HKLM SOFTWARE\\Pellumara\\Capabilities",
                "set-string ApplicationDescription = Picture viewer, editor and converter - one of "
                "the most popular viewers worldwide",
                "close",
                "create HKLM SOFTWARE\\Pellumara\\Capabilities\\FileAssociations",
                "close",
                // Missing in the scratch hive: opened, so nothing is written.
                "open HKLM SOFTWARE\\RegisteredApplications 0x2",
                "set-default HKLM SOFTWARE\\Classes\\Pellumara.ani = Pellumara ANI File",
            }));
  int prog_id_writes = 0;
  for (const std::string& operation : trace_.operations) {
    const std::string start = "set-default HKLM SOFTWARE\\Classes\\Pellumara.";
    if (operation.compare(0, start.size(), start) == 0 &&
        operation.find('\\', start.size()) == std::string::npos) {
      ++prog_id_writes;
    }
  }
  EXPECT_EQ(prog_id_writes, 90);  // once per registration, aliases included
  EXPECT_EQ(trace_.keys_handed_out, 0) << "a key was left open";
}

TEST_F(RegistryOrder, MarkedAliasWritesItsTypeAndChoiceInOrder) {
  marks_[26] = 1;  // JPG/JPEG/JPE
  IntegrateWithSystem(1, 1, kFolder, 0, 0, 0, 0, marks_, trace_);
  const std::string choice =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpe\\UserChoice";
  const std::string prog_id_key = "SOFTWARE\\Classes\\Pellumara.jpg";
  const std::string viewer = "C:\\Tools\\Pellumara\\p_mara64.exe";
  EXPECT_EQ(
      From(Find("set-default HKLM SOFTWARE\\Classes\\.jpe = Pellumara.jpg"), 11),
      (std::vector<std::string>{
          "set-default HKLM SOFTWARE\\Classes\\.jpe = Pellumara.jpg",
          "set-default HKLM " + prog_id_key + " = Pellumara JPG File",
          "set-default HKLM " + prog_id_key + "\\shell\\open\\command = \"" + viewer + "\" \"%1\"",
          "set-default HKLM " + prog_id_key + "\\DefaultIcon = " + viewer + ",0",
          "open HKLM SOFTWARE\\Pellumara\\Capabilities\\FileAssociations 0x2",
          "set-string .jpg = Pellumara.jpg",
          "close",
          "delete HKCU " + choice,
          "create HKCU " + choice,
          "set-string Progid = Pellumara.jpg",
          "close",
      }));
  // The unmarked row after it touches neither the default nor the choice.
  EXPECT_EQ(Find("set-default HKLM SOFTWARE\\Classes\\.jpm = Pellumara.jpm"), -1);
  EXPECT_EQ(Find("delete HKCU Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\"
                 ".jpm\\UserChoice"),
            -1);
}

TEST_F(RegistryOrder, RefusedUninstallKeyKeepsOnlyItsEmptyDefault) {
  trace_.refused_open = kUninstallKey;
  EXPECT_EQ(IntegrateWithSystem(1, 0, kFolder, 0, 0, 0, 0, marks_, trace_), 1);
  RegistryDump dump = DumpRegistry();
  const std::string entry = std::string("HKLM\\") + kUninstallKey;
  EXPECT_EQ(dump.ValueNames(entry), NameSet{"@"});
  EXPECT_EQ(dump.Value(entry), "sz:");
  // The steps after it run all the same.
  EXPECT_EQ(dump.ValueNames("HKLM\\SOFTWARE\\Pellumara\\Capabilities\\FileAssociations").size(),
            73u);
}

}  // namespace
