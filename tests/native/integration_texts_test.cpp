#include "rules/integration_texts.h"

#include <gtest/gtest.h>

#include <string>

#include "code_page_samples.h"
#include "rules/integration_choices.h"
#include "common/product_version.h"

namespace {

TEST(IntegrationTexts, ProgramFolderIsTrimmedAndEndsInABackslash) {
  const CodePageCharacters western = samples::Western();
  EXPECT_EQ(ProgramFolder(" C:\\Tools\\Pellumara ", western), "C:\\Tools\\Pellumara\\");
  EXPECT_EQ(ProgramFolder("C:\\Tools\\Pellumara\\", western), "C:\\Tools\\Pellumara\\");
  EXPECT_EQ(ViewerPath(ProgramFolder(" C:\\Tools\\Pellumara ", western)),
            "C:\\Tools\\Pellumara\\p_mara64.exe");
  // A folder that fills its buffer still gets its backslash.
  std::string long_folder = "C:\\" + std::string(256, 'a');
  EXPECT_EQ(ProgramFolder(long_folder.c_str(), western), long_folder + "\\");
}

// The viewer of a folder ending in "ソ" (0x83 0x5C in 932) lies inside it.
// A text longer than a path is cut between two characters.
TEST(IntegrationTexts, ProgramFolderEndsInABackslashAfterADoubleByteCharacter) {
  const std::string folder = std::string("C:\\") + samples::kFurii + samples::kSo;
  EXPECT_EQ(ViewerPath(ProgramFolder(folder.c_str(), samples::Japanese())),
            folder + "\\p_mara64.exe");
  std::string long_folder = "C:\\a";
  while (long_folder.size() < 300) long_folder += samples::kHyo;  // 表 from byte 4 on
  EXPECT_EQ(ProgramFolder(long_folder.c_str(), samples::Japanese()),
            long_folder.substr(0, 258) + "\\");
}

TEST(IntegrationTexts, TheThreeCommandsQuoteDifferently) {
  const std::string viewer = "C:\\Tools\\Pellumara\\p_mara64.exe";
  EXPECT_EQ(OpenCommand(viewer), "\"C:\\Tools\\Pellumara\\p_mara64.exe\" \"%1\"");
  EXPECT_EQ(BrowseCommand(viewer), "\"C:\\Tools\\Pellumara\\p_mara64.exe\" \"%1 /thumbs\"");
  EXPECT_EQ(UninstallCommand("C:\\Tools\\Pellumara\\"),
            "\"C:\\Tools\\Pellumara\\pm_uninstall.exe\"");
}

TEST(IntegrationTexts, VersionTexts) {
  EXPECT_EQ(DisplayVersion(), PELLUMARA_VERSION_TEXT);
  EXPECT_EQ(VersionedLinkName(), "Pellumara 64 " PELLUMARA_VERSION_TEXT ".lnk");
  EXPECT_EQ(EarlierLinkName("4.38"), "Pellumara 64 4.38.lnk");
}

TEST(IntegrationTexts, TypeTextUpperCasesOnlyLetters) {
  EXPECT_EQ(TypeText("mp3"), "Pellumara MP3 File");
  EXPECT_EQ(TypeText("jp2"), "Pellumara JP2 File");
}

// SYSTEM's own desktop and Start menu are nobody's: its links go to all
// users', and the run log says so only when links were asked for.
TEST(IntegrationChoices, SystemsLinksGoToAllUsers) {
  EXPECT_EQ(LinkPlacesFor(false, false), LinkPlaces::kCurrentUser);
  EXPECT_EQ(LinkPlacesFor(true, false), LinkPlaces::kAllUsers);
  EXPECT_EQ(LinkPlacesFor(false, true), LinkPlaces::kAllUsers);
  EXPECT_NE(LinkPlacesNote(false, true, true).find("running as SYSTEM: the links go to all users'"),
            std::string::npos);
  EXPECT_EQ(LinkPlacesNote(true, true, true), "");
  EXPECT_EQ(LinkPlacesNote(false, true, false), "");
  EXPECT_EQ(LinkPlacesNote(false, false, true), "");
}

// From Windows 8 on only the registration is written, SYSTEM or not; before
// it SYSTEM writes the machine default without a user's choice.
TEST(IntegrationChoices, AssociationRuleByWindowsAndAccount) {
  EXPECT_EQ(AssociationRuleFor(false, false), AssociationRule::kUsersChoice);
  EXPECT_EQ(AssociationRuleFor(false, true), AssociationRule::kMachineDefaultOnly);
  EXPECT_EQ(AssociationRuleFor(true, false), AssociationRule::kRegisterOnly);
  EXPECT_EQ(AssociationRuleFor(true, true), AssociationRule::kRegisterOnly);
}

TEST(IntegrationChoices, DecliningClearsEveryMark) {
  int marks[kFormatCount] = {};
  marks[26] = 1;
  marks[62] = 7;
  std::array<bool, kFormatCount> confirmed = ConfirmedMarks(marks, true);
  for (int row = 0; row < kFormatCount; ++row) {
    EXPECT_EQ(confirmed[row], row == 26 || row == 62) << row;
  }
  std::array<bool, kFormatCount> declined = ConfirmedMarks(marks, false);
  for (int row = 0; row < kFormatCount; ++row) EXPECT_FALSE(declined[row]) << row;
}

}  // namespace
