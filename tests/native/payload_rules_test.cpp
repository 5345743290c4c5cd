#include "rules/payload_rules.h"
#include "rules/restart_list_rules.h"
#include "rules/upgrade_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "code_page_samples.h"
#include "common/install_options.h"

namespace {

TEST(EntryNames, RelativeNamesOfThePayloadAreSafe) {
  for (const char* name : {"p_mara64.exe", "Help/", "Help/p_mara32_deutsch.chm", "a\\b\\c.txt",
                           "Toolbars/gnome-colors-wise_32.png", "dir/.hidden", "dir/./file",
                           "name..with..dots", "..file", "file..", ""}) {
    EXPECT_TRUE(IsSafeEntryName(name)) << name;
  }
}

TEST(EntryNames, NamesLeavingTheFolderAreRefused) {
  for (const char* name : {"/etc/passwd", "\\Windows\\win.ini", "C:\\Windows\\evil.dll",
                           "C:evil.dll", "c:/evil", "file.txt:stream", "Help/x:y", "..",
                           "../evil.exe", "..\\evil.exe", "Help/../../evil.exe", "a/b/..",
                           "a\\..\\..\\b", "... /evil", "a/.. /b", "a/. ./b", "a/.../b"}) {
    EXPECT_FALSE(IsSafeEntryName(name)) << name;
  }
}

// An archive's name bytes beyond ASCII are in no code page it names: under
// 932 "\x83\\" is "ソ", under 1252 "ƒ" and a separator.
TEST(EntryNames, NamesBeyondAsciiAreRefused) {
  for (const char* name : {"Help/\x83\\x.txt", "\xC3\xBC.txt", "a/\x81"}) {
    EXPECT_FALSE(IsSafeEntryName(name)) << name;
  }
}

// Windows opens a device for these names in any folder: nothing would be
// written, and a journal naming one would send the undo to a device.
TEST(EntryNames, DeviceNamesAndControlCharactersAreRefused) {
  for (const char* name : {"NUL", "Plugins/CON", "com1.png", "Help\\lpt9", "aux .txt",
                           "prn.", "Con...", "nul.tar.gz", "COM0", "conout$", "Plugins/CON/x"}) {
    EXPECT_FALSE(IsSafeEntryName(name)) << name;
  }
  EXPECT_FALSE(IsSafeEntryName(std::string_view("a\0b", 3)));
  EXPECT_FALSE(IsSafeEntryName("a\tb"));
  for (const char* name : {"console.txt", "nul_1.txt", "com10.png", "Plugins/lpt", "auxiliary",
                           "x.con", "connul"}) {
    EXPECT_TRUE(IsSafeEntryName(name)) << name;
  }
}

TEST(EntryNames, NamePartIsBehindTheLastSeparator) {
  EXPECT_EQ(EntryNamePart("p_mara64.exe"), "p_mara64.exe");
  EXPECT_EQ(EntryNamePart("Help/p_mara32_deutsch.chm"), "p_mara32_deutsch.chm");
  EXPECT_EQ(EntryNamePart("a/b\\c.txt"), "c.txt");
  EXPECT_EQ(EntryNamePart("Plugins/"), "");
  EXPECT_EQ(EntryNamePart("a\\"), "");
}

TEST(RequiredEntries, OnlyTheMissingOnesAreNamedComparedLikeWindowsNames) {
  std::vector<std::string> names = RequiredPayloadEntries();
  ASSERT_EQ(names.size(), 12u);
  names.erase(names.begin());  // the viewer
  // The help link says "help\\..."; the folder may be spelled in any case.
  for (std::string& name : names) {
    if (name == "help/p_mara32_deutsch.chm") name = "Help\\P_MARA32_DEUTSCH.CHM";
  }
  EXPECT_EQ(MissingPayloadEntries(names), std::vector<std::string>{"p_mara64.exe"});
  EXPECT_EQ(MissingPayloadEntries({"Help/", "p_mara64.exe.bak"}).size(), 12u);
}

// What stands in the target is the payload's only under an entry's own
// name, as Windows compares names; a folder only when entries lie in it.
TEST(PayloadNames, ItemsAreThePayloadsOnlyUnderItsNames) {
  const std::vector<std::string> entries = {"p_mara64.exe", "Skins/", "Skins/blue/bar.png",
                                            "Help\\p.chm"};
  EXPECT_EQ(PayloadNameOf("P_MARA64.EXE", entries), PayloadNameKind::kFile);
  EXPECT_EQ(PayloadNameOf("skins\\Blue\\bar.png", entries), PayloadNameKind::kFile);
  EXPECT_EQ(PayloadNameOf("help/p.chm", entries), PayloadNameKind::kFile);
  EXPECT_EQ(PayloadNameOf("Skins", entries), PayloadNameKind::kFolder);
  EXPECT_EQ(PayloadNameOf("Skins\\blue", entries), PayloadNameKind::kFolder);
  EXPECT_EQ(PayloadNameOf("Help", entries), PayloadNameKind::kFolder);
  for (const char* other : {"p_mara64.exe.", "p_mara64", "Skin", "Skins\\red", "bar.png",
                            "Skins\\blue\\bar.png\\x", "", "p_mara64.ex\xe9"}) {
    EXPECT_EQ(PayloadNameOf(other, entries), PayloadNameKind::kNone) << other;
  }
  EXPECT_EQ(PayloadNameOf("p_mara64.exe", {}), PayloadNameKind::kNone);
}

std::string TempPath(const std::string& folder, const std::string& name, bool* fits,
                     const CodePageCharacters& characters = samples::Western()) {
  char* path = new char[kPathSize];
  std::memset(path, 'x', kPathSize);
  *fits = BuildTempFilePath(folder, name, path, kPathSize, characters);
  std::string result = path;
  delete[] path;
  return result;
}

TEST(TempFilePath, AddsTheBackslashOnlyWhenMissing) {
  bool fits = false;
  EXPECT_EQ(TempPath("C:\\Temp\\", "pmarag_x64.zip", &fits), "C:\\Temp\\pmarag_x64.zip");
  EXPECT_TRUE(fits);
  EXPECT_EQ(TempPath("C:\\Temp", "pmarag_x64.zip", &fits), "C:\\Temp\\pmarag_x64.zip");
  EXPECT_TRUE(fits);
  // A temporary folder ending in "表" (932) is one level.
  const std::string temp = std::string("C:\\") + samples::kHyo;
  EXPECT_EQ(TempPath(temp, "x.zip", &fits, samples::Japanese()), temp + "\\x.zip");
}

// Names compared as Windows compares them: a character of two bytes whole,
// whatever its second byte reads as alone.
TEST(FileSystemKey, DoubleByteCharactersStayWhole) {
  EXPECT_NE(FileSystemKey(samples::kA, samples::Japanese()),
            FileSystemKey(samples::kDi, samples::Japanese()));
  EXPECT_EQ(FileSystemKey(std::string("C:\\") + samples::kSo + "\\X", samples::Japanese()),
            std::string("c:/") + samples::kSo + "/x");
  EXPECT_EQ(FileSystemKey(samples::kGak, samples::Korean()), samples::kGak);
}

TEST(TempFilePath, EmptyOrTooLongFolderGivesNoPath) {
  bool fits = true;
  EXPECT_EQ(TempPath("", "pmarag_x64.zip", &fits), "");
  EXPECT_FALSE(fits);
  // 245 + 14 = 259 characters still fit, one more does not.
  std::string folder = "C:\\" + std::string(241, 't') + "\\";
  ASSERT_EQ(folder.size(), 245u);
  EXPECT_EQ(TempPath(folder, "pmarag_x64.zip", &fits).size(), 259u);
  EXPECT_TRUE(fits);
  EXPECT_EQ(TempPath(folder + "u\\", "pmarag_x64.zip", &fits), "");
  EXPECT_FALSE(fits);
  EXPECT_EQ(TempPath(std::string(600, 'v'), "pmarag_x64.zip", &fits), "");
  EXPECT_FALSE(fits);
}

// The next run deletes and renames what a journal names: a planted journal
// must not reach anything but the setup's own files below the folder.
TEST(Journal, LinesNameOnlyFreshFilesBesideSafeEntries) {
  std::string staged, name;
  EXPECT_TRUE(ParseJournalLine("Plugins/~0a1b2c3d.pm|Plugins/x.dll", &staged, &name));
  EXPECT_EQ(staged, "Plugins/~0a1b2c3d.pm");
  EXPECT_EQ(name, "Plugins/x.dll");
  std::string line = FormatJournalLine("~ffffffff.pm", "p_mara64.exe");
  EXPECT_EQ(line, "~ffffffff.pm|p_mara64.exe\n");
  EXPECT_TRUE(ParseJournalLine(line.substr(0, line.size() - 1), &staged, &name));
  EXPECT_TRUE(ParseJournalLine("Help/~0a1b2c3d.pm|Help/read me.txt", &staged, &name));
  EXPECT_EQ(name, "Help/read me.txt");
  for (const char* bad : {"~0a1b2c3d.pm|../evil.dll", "~0a1b2c3d.pm|C:\\Windows\\x.dll",
                          "Other/~0a1b2c3d.pm|Plugins/x.dll",
                          "Pluginz/~0a1b2c3d.pm|Plugins/x.dll", "~0a1b2c3d.pm|Plugins/x.dll",
                          "x.dll|y.dll", "~0a1b2c3g.pm|x.dll", "~0a1b2c3d.pmx|x.dll",
                          "~0a1b2c3d.pm|Plugins/", "~0a1b2c3d.pm", "~0a1b2c3d.pm|a\tb"}) {
    EXPECT_FALSE(ParseJournalLine(bad, &staged, &name)) << bad;
  }
}

TEST(LeftoverNames, OnlyTheSetupsOwnPatternsMatch) {
  EXPECT_TRUE(IsFreshFileName("~DEADbeef.pm"));
  for (const char* other : {"~deadbeef.pmx", "~deadbee.pm", "deadbeef.pm", "~deadbeeg.pm", ""}) {
    EXPECT_FALSE(IsFreshFileName(other)) << other;
  }
  EXPECT_TRUE(IsPrivateTempFolderName("pmarag-0123456789abcdef"));
  for (const char* other : {"pmarag-0123456789abcde", "pmarag-0123456789abcdefa",
                            "pmarag-0123456789abcdeg", "pmarag_x64.zip", "other"}) {
    EXPECT_FALSE(IsPrivateTempFolderName(other)) << other;
  }
  // What the setup makes, its sweeps recognise, leading zeros included.
  EXPECT_EQ(FreshFileName(0x0a1b2c3d), "~0a1b2c3d.pm");
  EXPECT_EQ(PrivateTempFolderName(0xffffffff, 0x1), "pmarag-ffffffff00000001");
  for (unsigned number : {0u, 0x10u, 0xffffffffu}) {
    EXPECT_TRUE(IsFreshFileName(FreshFileName(number))) << number;
    EXPECT_TRUE(IsPrivateTempFolderName(PrivateTempFolderName(number, number))) << number;
  }
}

// What MoveFileEx leaves for the restart: a replacement ("!" before the
// target) and a deletion (an empty target). A later run must find the
// waiting replacement of its file and nobody else's; a value it cannot read
// whole names nothing.
TEST(RestartList, PairsAreReadAndEarlierReplacementsFound) {
  using namespace std::string_literals;
  const std::string value =
      "\\??\\C:\\T\\Plugins\\~0a1b2c3d.pm\0!\\??\\C:\\T\\Plugins\\p.dll\0"
      "\\??\\C:\\T\\Plugins\\~99999999.pm\0\0"
      "\\??\\C:\\Other\\~11111111.pm\0!\\??\\C:\\T\\Plugins\\p.dll\0"
      "\\??\\C:\\T\\Plugins\\p.dll.new\0!\\??\\C:\\T\\Plugins\\p.dll\0\0"s;
  std::vector<PendingRename> pairs;
  ASSERT_TRUE(ParsePendingRenames(value, &pairs));
  ASSERT_EQ(pairs.size(), 4u);
  EXPECT_EQ(pairs[1].target, "");
  EXPECT_TRUE(IsPendingSource(pairs, "c:\\t\\PLUGINS\\~0A1B2C3D.pm"));
  EXPECT_TRUE(IsPendingSource(pairs, "C:\\T\\Plugins\\~99999999.pm"));
  EXPECT_FALSE(IsPendingSource(pairs, "C:\\T\\Plugins\\p.dll"));

  // Only the setup's own staged file beside the target is taken over, not
  // another installer's beside it under a name of its own.
  std::vector<std::string> earlier =
      EarlierStagedReplacements(pairs, "C:\\T\\plugins\\P.DLL", "C:\\T\\Plugins\\~22222222.pm");
  ASSERT_EQ(earlier, std::vector<std::string>{"C:\\T\\Plugins\\~0a1b2c3d.pm"});
  EXPECT_TRUE(
      EarlierStagedReplacements(pairs, "C:\\T\\Plugins\\p.dll", "C:\\T\\Plugins\\~0a1b2c3d.pm")
          .empty());

  // A value without its closing terminators still reads; a lone source or
  // text behind the end does not.
  EXPECT_TRUE(ParsePendingRenames("\\??\\C:\\a\0\\??\\C:\\b"s, &pairs));
  EXPECT_EQ(pairs.size(), 1u);
  for (const std::string& bad : {"\\??\\C:\\a"s, "\\??\\C:\\a\0\\??\\C:\\b\0\0junk"s}) {
    EXPECT_FALSE(ParsePendingRenames(bad, &pairs));
    EXPECT_TRUE(pairs.empty());
  }
}

}  // namespace
