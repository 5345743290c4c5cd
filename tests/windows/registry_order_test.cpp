// The order of the integration's registry operations, watched through a
// layer that records every call before passing it on to the scratch hives.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "common/product_version.h"
#include "integration/integrate_with_system.h"
#include "rules/integration_texts.h"
#include "rules/format_catalogue.h"
#include "support/registry_dump.h"
#include "support/scratch.h"

namespace {

const char kFolder[] = "C:\\Tools\\Pellumara\\";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellumara64";

std::string Rights(REGSAM access) {
  char rights[16];
  std::snprintf(rights, sizeof rights, " 0x%lx", static_cast<unsigned long>(access));
  return rights;
}

std::string ValueName(const char* name) {
  return name == nullptr || name[0] == '\0' ? "(default)" : name;
}

// Records every call that reaches the registry as the key (its whole name)
// and value it reaches, whatever form the call takes, then passes it on to
// the scratch hives. A value meant for a key that is not open reaches
// nothing and is not recorded.
class TracingRegistry : public RegistryLayer {
 public:
  std::vector<std::string> operations;
  std::string refused_key;                  // a key path whose creating or opening fails
  std::vector<std::string> links_to_check;  // must exist at the first write
  bool links_there_at_first_write = false;
  int keys_handed_out = 0;
  int values_from_the_hive = 0;  // default values written from the hive's root, not through a key

  RegistryKey CreateKey(HKEY hive, const char* path, KeyRefusal refusal, REGSAM access) override {
    const std::string name = HiveName(hive) + "\\" + path;
    Record("create " + name + (access == KEY_ALL_ACCESS ? Rights(access) : ""));
    if (refused_key == path) {
      return Held(nullptr, name, ERROR_ACCESS_DENIED, refusal);
    }
    return Counted(RegistryLayer::CreateKey(hive, path, refusal, access));
  }
  RegistryKey CreateSubkey(const RegistryKey& parent, const char* path,
                           KeyRefusal refusal) override {
    if (parent) Record("create " + parent.name() + "\\" + path);
    return Counted(RegistryLayer::CreateSubkey(parent, path, refusal));
  }
  RegistryKey OpenKey(HKEY hive, const char* path, REGSAM access) override {
    const std::string name = HiveName(hive) + "\\" + path;
    Record("open " + name + Rights(access));
    if (refused_key == path) return Held(nullptr, name, ERROR_ACCESS_DENIED, KeyRefusal::kOnce);
    return Counted(RegistryLayer::OpenKey(hive, path, access));
  }
  void SetString(const RegistryKey& key, const char* name, const char* text) override {
    if (key) Record("set " + key.name() + " " + ValueName(name) + " = " + text);
    RegistryLayer::SetString(key, name, text);
  }
  void SetDword(const RegistryKey& key, const char* name, DWORD value) override {
    if (key) Record("set " + key.name() + " " + ValueName(name) + " = " + std::to_string(value));
    RegistryLayer::SetDword(key, name, value);
  }
  void SetSubkeyDefault(const RegistryKey& key, const char* path, const char* text) override {
    if (key) Record("set " + key.name() + "\\" + path + " (default) = " + text);
    RegistryLayer::SetSubkeyDefault(key, path, text);
  }
  void SetDefaultValue(HKEY hive, const char* path, const char* text) override {
    Record("set " + HiveName(hive) + "\\" + path + " (default) = " + text);
    ++values_from_the_hive;
    RegistryLayer::SetDefaultValue(hive, path, text);
  }
  void DeleteKey(HKEY hive, const char* path) override {
    Record("delete " + HiveName(hive) + "\\" + path);
    RegistryLayer::DeleteKey(hive, path);
  }
  void DeleteSubkey(const RegistryKey& parent, const char* path) override {
    if (parent) Record("delete " + parent.name() + "\\" + path);
    RegistryLayer::DeleteSubkey(parent, path);
  }

 protected:
  void CloseKey(HKEY handle) override {
    Record("close");
    --keys_handed_out;
    RegistryLayer::CloseKey(handle);
  }

 private:
  RegistryKey Counted(RegistryKey key) {
    keys_handed_out += key ? 1 : 0;
    return key;
  }
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

  IntegrationRequest Request(bool links) const {
    IntegrationRequest request;
    request.program_folder = kFolder;
    request.start_menu_links = request.desktop_link = request.thumbnails_link = links;
    request.marks = marks_;
    request.associations_confirmed = true;
    request.notify_shell = true;
    return request;
  }
  // The operations but the closing of keys, which only the count of keys
  // handed out watches.
  std::vector<std::string> Writes() const {
    std::vector<std::string> writes;
    for (const std::string& operation : trace_.operations) {
      if (operation != "close") writes.push_back(operation);
    }
    return writes;
  }
  // Those from the first one equal to first on, as many as count.
  std::vector<std::string> From(const std::string& first, std::size_t count) const {
    std::vector<std::string> writes = Writes();
    auto start = std::find(writes.begin(), writes.end(), first);
    if (start == writes.end()) return {"<not found: " + first + ">"};
    return {start, start + std::min<std::size_t>(count, writes.end() - start)};
  }
  int Count(const std::string& operation) const {
    return static_cast<int>(std::count(trace_.operations.begin(), trace_.operations.end(), operation));
  }

  // Looked up before the hives are redirected.
  const std::string programs_ = SpecialFolder(CSIDL_PROGRAMS);
  const std::string desktop_ = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  RegistryOverride scratch_{"order"};
  TracingRegistry trace_;
  std::array<bool, kFormatCount> marks_{};
};

TEST_F(RegistryOrder, EveryLinkIsMadeBeforeTheFirstWrite) {
  trace_.links_to_check = {programs_ + "\\Pellumara\\Pellumara Hilfe.lnk",
                           desktop_ + "\\Pellumara 64.lnk",
                           desktop_ + "\\Pellumara 64 Thumbnails.lnk"};
  IntegrateWithSystem(Request(true), trace_);
  EXPECT_TRUE(trace_.links_there_at_first_write);
  const std::string verb = "HKLM\\SOFTWARE\\Classes\\Directory\\shell\\Browse with &Pellumara";
  ASSERT_GE(trace_.operations.size(), 2u);
  EXPECT_EQ(trace_.operations[0], "create " + verb);
  EXPECT_EQ(trace_.operations[1], "set " + verb + " (default) = Browse with &Pellumara");
  EXPECT_EQ(trace_.keys_handed_out, 0) << "a key was left open";
}

TEST_F(RegistryOrder, RegistrationStepsRunInTheirOrder) {
  IntegrateWithSystem(Request(false), trace_);
  const std::string viewer = "C:\\Tools\\Pellumara\\p_mara64.exe";
  const std::string open = "\"" + viewer + "\" \"%1\"";
  const std::string generic = "HKLM\\SOFTWARE\\Classes\\Pellumara";
  const std::string application = "HKCR\\Applications\\p_mara64.exe";
  const std::string entry = std::string("HKLM\\") + kUninstallKey;
  ASSERT_FALSE(trace_.operations.empty());
  EXPECT_EQ(trace_.operations[0], "create " + generic);
  EXPECT_EQ(From("create " + generic, 9),
            (std::vector<std::string>{
                "create " + generic,
                "set " + generic + " (default) = Pellumara",
                "set " + generic + "\\shell\\open\\command (default) = " + open,
                "delete " + generic + "\\DefaultIcon",
                "create " + application + " 0xf003f",
                "set " + application + "\\shell\\open\\command (default) = " + open,
                "set " + application + " FriendlyAppName = Pellumara 64-bit",
                "create " + entry + " 0xf003f",
                "set " + entry + " (default) = ",
            }));
  EXPECT_EQ(From("set " + entry + " DisplayName = Pellumara 64 (remove only)", 9),
            (std::vector<std::string>{
                "set " + entry + " DisplayName = Pellumara 64 (remove only)",
                "set " + entry + " UninstallString = \"C:\\Tools\\Pellumara\\pm_uninstall.exe\"",
                "set " + entry + " Publisher = Kestrelwood",
                "set " + entry + " InstallLocation = " + viewer,
                "set " + entry + " DisplayVersion = " PELLUMARA_VERSION_TEXT,
                "set " + entry + " DisplayIcon = " + viewer + ",0",
                "set " + entry + " VersionMajor = " + std::to_string(PELLUMARA_VERSION_MAJOR),
                "set " + entry + " VersionMinor = " + std::to_string(PELLUMARA_VERSION_MINOR),
                "set " + entry + " EstimatedSize = 5120",
            }));
  const std::string program = "HKLM\\SOFTWARE\\Pellumara";
  EXPECT_EQ(From("create " + program, 10),
            (std::vector<std::string>{
                "create " + program,
                "set " + program + "\\shell\\open\\command (default) = \"" + viewer + "\"",
                "create " + program + "\\Capabilities",
                "set " + program + "\\Capabilities ApplicationDescription = Picture viewer, "
                "editor and converter - one of the most popular viewers worldwide",
                "create " + program + "\\Capabilities\\FileAssociations",
                // Missing in the scratch hive: opened, so nothing is written.
                "open HKLM\\SOFTWARE\\RegisteredApplications 0x2",
                "create HKLM\\SOFTWARE\\Classes",
                "open " + program + "\\Capabilities\\FileAssociations 0x2",
                "create HKLM\\SOFTWARE\\Classes\\Pellumara.ani",
                "set HKLM\\SOFTWARE\\Classes\\Pellumara.ani (default) = Pellumara ANI File",
            }));
  int prog_id_writes = 0;
  for (const std::string& operation : trace_.operations) {
    const std::string start = "set HKLM\\SOFTWARE\\Classes\\Pellumara.";
    if (operation.compare(0, start.size(), start) == 0 &&
        operation.find('\\', start.size()) > operation.find(" (default) = Pellumara ")) {
      ++prog_id_writes;
    }
  }
  EXPECT_EQ(prog_id_writes, 73);  // once per type: an alias points to its type's ProgID
  EXPECT_EQ(trace_.keys_handed_out, 0) << "a key was left open";
}

TEST_F(RegistryOrder, MarkedAliasWritesItsTypeAndChoiceInOrder) {
  marks_[26] = true;  // JPG/JPEG/JPE
  IntegrateWithSystem(Request(false), trace_);
  const std::string choices = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
  const std::string first_choice = choices + ".jpg\\UserChoice";
  const std::string choice = choices + ".jpe\\UserChoice";
  const std::string prog_id_key = "HKLM\\SOFTWARE\\Classes\\Pellumara.jpg";
  const std::string viewer = "C:\\Tools\\Pellumara\\p_mara64.exe";
  EXPECT_EQ(
      From("set HKLM\\SOFTWARE\\Classes\\.jpg (default) = Pellumara.jpg", 9),
      (std::vector<std::string>{
          "set HKLM\\SOFTWARE\\Classes\\.jpg (default) = Pellumara.jpg",
          "create " + prog_id_key,
          "set " + prog_id_key + " (default) = Pellumara JPG File",
          "set " + prog_id_key + "\\shell\\open\\command (default) = \"" + viewer + "\" \"%1\"",
          "set " + prog_id_key + "\\DefaultIcon (default) = " + viewer + ",0",
          "set HKLM\\SOFTWARE\\Pellumara\\Capabilities\\FileAssociations .jpg = Pellumara.jpg",
          "delete " + first_choice,
          "create " + first_choice,
          "set " + first_choice + " Progid = Pellumara.jpg",
      }));
  // The alias only points to the type its first extension wrote.
  EXPECT_EQ(
      From("set HKLM\\SOFTWARE\\Classes\\.jpe (default) = Pellumara.jpg", 4),
      (std::vector<std::string>{
          "set HKLM\\SOFTWARE\\Classes\\.jpe (default) = Pellumara.jpg",
          "delete " + choice,
          "create " + choice,
          "set " + choice + " Progid = Pellumara.jpg",
      }));
  // The unmarked row after it touches neither the default nor the choice.
  EXPECT_EQ(Count("set HKLM\\SOFTWARE\\Classes\\.jpm (default) = Pellumara.jpm"), 0);
  EXPECT_EQ(Count("delete HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                  "FileExts\\.jpm\\UserChoice"),
            0);
}

// Each key is reached once for all its values: the capability list once
// for the whole pass, and no value is written from the hive's root, which
// would reach its key anew for each value.
TEST_F(RegistryOrder, EachKeyIsReachedOnceForAllItsValues) {
  marks_.fill(true);
  IntegrateWithSystem(Request(true), trace_);
  const std::string associations = "HKLM\\SOFTWARE\\Pellumara\\Capabilities\\FileAssociations";
  EXPECT_EQ(Count("open " + associations + " 0x2"), 1);
  EXPECT_EQ(Count("set " + associations + " .jpg = Pellumara.jpg"), 1);  // not again for jpeg, jpe
  const std::string entry = std::string("HKLM\\") + kUninstallKey;
  EXPECT_EQ(Count("create " + entry + " 0xf003f"), 1);
  EXPECT_EQ(Count("open " + entry + " 0xf003f"), 0);
  EXPECT_EQ(trace_.values_from_the_hive, 0);
  EXPECT_EQ(trace_.keys_handed_out, 0) << "a key was left open";
}

TEST_F(RegistryOrder, RefusedUninstallKeyKeepsOnlyItsEmptyDefault) {
  trace_.refused_key = kUninstallKey;
  IntegrateWithSystem(Request(false), trace_);
  RegistryDump dump = DumpRegistry();
  const std::string entry = std::string("HKLM\\") + kUninstallKey;
  EXPECT_EQ(dump.ValueNames(entry), NameSet{"@"});
  EXPECT_EQ(dump.Value(entry), "sz:");
  // The steps after it run all the same.
  EXPECT_EQ(dump.ValueNames("HKLM\\SOFTWARE\\Pellumara\\Capabilities\\FileAssociations").size(),
            73u);
}

// A key refused for its values counts each value meant for it, as values
// written one by one would: the number the user is told stays honest. Each
// value is counted once, however many extensions share its type.
TEST_F(RegistryOrder, ARefusedKeyCountsEachValueMeantForIt) {
  trace_.refused_key = "SOFTWARE\\Classes";
  const IntegrationResult result = IntegrateWithSystem(Request(false), trace_);
  // Type text, open command and icon of each of the 73 types.
  EXPECT_EQ(result.failed_entries, 3 * 73);
  EXPECT_EQ(DumpRegistry().Children("HKLM\\SOFTWARE\\Classes", "Pellumara.").size(), 0u);
}

}  // namespace
