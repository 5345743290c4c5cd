// Shell links of the installation, read back through IShellLinkA and
// IPersistFile::Load: where they are, what they start and how they look.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "common/code_page_bytes.h"
#include "common/product_version.h"
#include "integration/integrate_with_system.h"
#include "integration/shortcuts.h"
#include "rules/integration_texts.h"
#include "support/scratch.h"
#include "support/shell_links.h"

namespace {

Link Expected(const std::string& target, const std::string& arguments = "",
              const std::string& icon_path = "", int icon_index = 0,
              const std::string& description = "") {
  return {true, target, arguments, icon_path, icon_index, description};
}

const std::string kProgram = "C:\\Tools\\Pellumara\\";
const std::string kViewer = kProgram + "p_mara64.exe";

// Every link of the Start-menu folder, by file name (code page 1252).
std::map<std::string, Link> ExpectedGroup(bool with_uninstaller) {
  std::map<std::string, Link> links = {
      {"Pellumara 64 " PELLUMARA_VERSION_TEXT ".lnk", Expected(kViewer)},
      {"Pellumara - Thumbnails.lnk", Expected(kViewer, "/thumbs", kViewer, 7)},
      {"\334ber Pellumara.lnk", Expected(kProgram + "p_about.txt")},
      {"Was ist neu.lnk", Expected(kProgram + "p_changes.txt")},
      {"Kommandozeilen-Optionen.lnk", Expected(kProgram + "p_options.txt")},
      {"Verf\374gbare PlugIns.lnk", Expected(kProgram + "p_plugins.txt")},
      {"Verf\374gbare Sprachen.lnk", Expected(kProgram + "p_languages.txt")},
      {"Pellumara Hilfe.lnk", Expected(kProgram + "help\\p_mara32_deutsch.chm")},
  };
  if (with_uninstaller)
    links["Pellumara deinstallieren.lnk"] = Expected(kProgram + "pm_uninstall.exe");
  return links;
}

const char* const kDesktopLinks[] = {"Pellumara 64.lnk", "Pellumara 64 Thumbnails.lnk"};

class Shortcuts : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS})
      RemoveTree(SpecialFolder(csidl) + "\\Pellumara");
    for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY}) {
      for (const char* name : kDesktopLinks) DeleteFileA((SpecialFolder(csidl) + "\\" + name).c_str());
    }
  }

  void ExpectGroupIn(const std::string& group, bool with_uninstaller) {
    std::map<std::string, Link> expected = ExpectedGroup(with_uninstaller);
    std::set<std::string> names;
    for (const auto& [name, link] : expected) {
      names.insert(name);
      EXPECT_EQ(ReadLink(group + "\\" + name), link) << name;
    }
    names.insert("Notizen.txt");
    EXPECT_EQ(FilesIn(group), names);
  }

  // A folder that already holds the links of two earlier versions and a
  // file of the user's own.
  void PrepareEarlierGroup(const std::string& group) {
    CreateDirectoryA(group.c_str(), nullptr);
    for (const char* old : {"Pellumara 64 4.40.lnk", "Pellumara 64 4.38.lnk", "Notizen.txt"}) {
      WriteFileBytes(group + "\\" + old, "old");
    }
  }

  // The links asked for, the registry part as little as it can be.
  static IntegrationRequest Links(const char* folder, bool start_menu, bool desktop, bool thumbnails,
                                  LinkPlaces places) {
    IntegrationRequest request;
    request.program_folder = ProgramFolder(folder, CodePageCharacters::Of(SystemAnsiCodePage()));
    request.start_menu_links = start_menu;
    request.desktop_link = desktop;
    request.thumbnails_link = thumbnails;
    request.link_places = places;
    request.uninstall_link = true;
    return request;
  }
};

TEST_F(Shortcuts, GroupForTheCurrentUserReplacesEarlierVersionsLinks) {
  const std::string group = SpecialFolder(CSIDL_PROGRAMS) + "\\Pellumara";
  PrepareEarlierGroup(group);
  RegistryOverride scratch("shortcuts");
  IntegrateWithSystem(Links(" C:\\Tools\\Pellumara ", true, false, false, LinkPlaces::kCurrentUser));
  ExpectGroupIn(group, true);
  // Once more: each file is replaced, so one set remains.
  IntegrateWithSystem(Links("C:\\Tools\\Pellumara\\", true, false, false, LinkPlaces::kCurrentUser));
  ExpectGroupIn(group, true);
  EXPECT_FALSE(FolderExists(SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Pellumara"));
  for (const char* name : kDesktopLinks) {
    EXPECT_FALSE(FileExists(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + name)) << name;
  }
}

// From Windows 8 on programs are removed through the system's own list:
// the caller asks for no uninstall link there.
TEST_F(Shortcuts, EightLinksInTheGroupWithoutTheUninstallLink) {
  CreateProgramGroup(kProgram.c_str(), LinkPlaces::kCurrentUser, false);
  const std::string group = SpecialFolder(CSIDL_PROGRAMS) + "\\Pellumara";
  EXPECT_EQ(FilesIn(group).size(), 8u);
  EXPECT_FALSE(FileExists(group + "\\Pellumara deinstallieren.lnk"));
}

TEST_F(Shortcuts, NineLinksInTheGroupWithTheUninstallLink) {
  EXPECT_EQ(CreateProgramGroup(kProgram.c_str(), LinkPlaces::kCurrentUser, true), 1);
  const std::string group = SpecialFolder(CSIDL_PROGRAMS) + "\\Pellumara";
  EXPECT_EQ(FilesIn(group).size(), 9u);
  EXPECT_EQ(ReadLink(group + "\\Pellumara deinstallieren.lnk"),
            Expected(kProgram + "pm_uninstall.exe"));
}

TEST_F(Shortcuts, AllUsersPutsEveryLinkInTheCommonFolders) {
  const std::string group = SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\Pellumara";
  PrepareEarlierGroup(group);
  RegistryOverride scratch("shortcuts");
  IntegrateWithSystem(Links(kProgram.c_str(), true, true, true, LinkPlaces::kAllUsers));
  ExpectGroupIn(group, true);
  const std::string desktop = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
  EXPECT_EQ(ReadLink(desktop + "\\Pellumara 64.lnk"),
            Expected(kViewer, "", "", 0, "Pellumara 64 - Bildbetrachter"));
  EXPECT_EQ(ReadLink(desktop + "\\Pellumara 64 Thumbnails.lnk"),
            Expected(kViewer, "/thumbs", kViewer, 7, "Pellumara - Thumbnails"));
  EXPECT_FALSE(FolderExists(SpecialFolder(CSIDL_PROGRAMS) + "\\Pellumara"));
  for (const char* name : kDesktopLinks) {
    EXPECT_FALSE(FileExists(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + name)) << name;
  }
}

TEST_F(Shortcuts, DesktopLinksForTheCurrentUser) {
  RegistryOverride scratch("shortcuts");
  IntegrateWithSystem(Links(kProgram.c_str(), false, true, true, LinkPlaces::kCurrentUser));
  const std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  EXPECT_EQ(ReadLink(desktop + "\\Pellumara 64.lnk"),
            Expected(kViewer, "", "", 0, "Pellumara 64 - Bildbetrachter"));
  EXPECT_EQ(ReadLink(desktop + "\\Pellumara 64 Thumbnails.lnk"),
            Expected(kViewer, "/thumbs", kViewer, 7, "Pellumara - Thumbnails"));
  EXPECT_FALSE(FolderExists(SpecialFolder(CSIDL_PROGRAMS) + "\\Pellumara"));
  for (const char* name : kDesktopLinks) {
    EXPECT_FALSE(FileExists(SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\" + name)) << name;
  }
}

TEST_F(Shortcuts, NoSwitchNoLink) {
  RegistryOverride scratch("shortcuts");
  IntegrateWithSystem(Links(kProgram.c_str(), false, false, false, LinkPlaces::kAllUsers));
  for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
    EXPECT_FALSE(FolderExists(SpecialFolder(csidl) + "\\Pellumara"));
  }
  for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY}) {
    for (const char* name : kDesktopLinks) EXPECT_FALSE(FileExists(SpecialFolder(csidl) + "\\" + name));
  }
}

TEST_F(Shortcuts, LinkInAFolderReportsWhetherItWasSaved) {
  ScratchFolder folder("links");
  const std::string inside = folder.path() + "\\";
  EXPECT_EQ(CreateShortcutInFolder(inside.c_str(), "a.lnk", kViewer.c_str(), "/x", nullptr, 0), 1);
  EXPECT_EQ(ReadLink(folder / "a.lnk"), Expected(kViewer, "/x"));
  EXPECT_EQ(CreateShortcutInFolder((inside + "missing\\").c_str(), "b.lnk", kViewer.c_str(),
                                   nullptr, nullptr, 0),
            0);
}

TEST_F(Shortcuts, PathsLongerThan259CharactersAreNotAttempted) {
  ScratchFolder folder("long");
  // A folder that exists, so only the length can stop the link.
  std::string deep = folder.path();
  while (deep.size() < 200) {
    deep += "\\" + std::string(20, 'd');
    CreateDirectoryA(deep.c_str(), nullptr);
  }
  ASSERT_TRUE(FolderExists(deep));
  const std::string inside = deep + "\\";
  std::string name(259 - inside.size() - 4, 'n');
  EXPECT_EQ(CreateShortcutInFolder(inside.c_str(), (name + ".lnk").c_str(), kViewer.c_str(),
                                   nullptr, nullptr, 0),
            1);
  EXPECT_EQ(CreateShortcutInFolder(inside.c_str(), (name + "x.lnk").c_str(), kViewer.c_str(),
                                   nullptr, nullptr, 0),
            0);
  std::string long_target = "C:\\" + std::string(260, 't');
  EXPECT_EQ(
      CreateShortcutInFolder(inside.c_str(), "t.lnk", long_target.c_str(), nullptr, nullptr, 0), 0);
  EXPECT_EQ(FilesIn(deep).size(), 1u);
}

}  // namespace
