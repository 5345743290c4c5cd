#include "integration/integration_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(IntegrationTexts, ProgramFolderIsTrimmedAndEndsInABackslash) {
  EXPECT_EQ(ProgramFolder(" C:\\Tools\\Pellumara "), "C:\\Tools\\Pellumara\\");
  EXPECT_EQ(ProgramFolder("C:\\Tools\\Pellumara\\"), "C:\\Tools\\Pellumara\\");
  EXPECT_EQ(ViewerPath(ProgramFolder(" C:\\Tools\\Pellumara ")), "C:\\Tools\\Pellumara\\p_mara64.exe");
  // A folder that fills its buffer still gets its backslash.
  std::string long_folder = "C:\\" + std::string(256, 'a');
  EXPECT_EQ(ProgramFolder(long_folder.c_str()), long_folder + "\\");
}

TEST(IntegrationTexts, TheThreeCommandsQuoteDifferently) {
  const std::string viewer = "C:\\Tools\\Pellumara\\p_mara64.exe";
  EXPECT_EQ(OpenCommand(viewer), "\"C:\\Tools\\Pellumara\\p_mara64.exe\" \"%1\"");
  EXPECT_EQ(BrowseCommand(viewer), "\"C:\\Tools\\Pellumara\\p_mara64.exe\" \"%1 /thumbs\"");
  EXPECT_EQ(UninstallCommand("C:\\Tools\\Pellumara\\"), "\"C:\\Tools\\Pellumara\\pm_uninstall.exe\"");
}

TEST(IntegrationTexts, VersionTexts) {
  EXPECT_EQ(DisplayVersion(), "4.41");
  EXPECT_EQ(VersionedLinkName(), "Pellumara 64 4.41.lnk");
  EXPECT_EQ(EarlierLinkName("4.38"), "Pellumara 64 4.38.lnk");
}

TEST(IntegrationTexts, TypeValues) {
  EXPECT_EQ(ProgId("jpg"), "Pellumara.jpg");
  EXPECT_EQ(TypeText("mp3"), "Pellumara MP3 File");
  EXPECT_EQ(TypeText("jp2"), "Pellumara JP2 File");
  const std::string viewer = "C:\\P\\p_mara64.exe";
  EXPECT_EQ(IconValue(DefaultIcon::kOwnIcon, viewer), "%1");
  EXPECT_EQ(IconValue(DefaultIcon::kViewerIcon0, viewer), viewer + ",0");
  EXPECT_EQ(IconValue(DefaultIcon::kViewerIcon8, viewer), viewer + ",8");
  EXPECT_EQ(IconValue(DefaultIcon::kViewerIcon9, viewer), viewer + ",9");
  EXPECT_EQ(ExtensionKeyPath("jpeg"), "SOFTWARE\\Classes\\.jpeg");
  EXPECT_EQ(ProgIdKeyPath("jpg"), "SOFTWARE\\Classes\\Pellumara.jpg");
  EXPECT_EQ(UserChoiceKeyPath("jpe"),
            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpe\\UserChoice");
  EXPECT_EQ(CapabilityValueName("jpg"), ".jpg");
}

}  // namespace
