#include "rules/integration_texts.h"

#include <gtest/gtest.h>

#include <string>

#include "common/product_version.h"

namespace {

TEST(IntegrationTexts, ProgramFolderIsTrimmedAndEndsInABackslash) {
  EXPECT_EQ(ProgramFolder(" C:\\Tools\\Pellumara "), "C:\\Tools\\Pellumara\\");
  EXPECT_EQ(ProgramFolder("C:\\Tools\\Pellumara\\"), "C:\\Tools\\Pellumara\\");
  EXPECT_EQ(ViewerPath(ProgramFolder(" C:\\Tools\\Pellumara ")),
            "C:\\Tools\\Pellumara\\p_mara64.exe");
  // A folder that fills its buffer still gets its backslash.
  std::string long_folder = "C:\\" + std::string(256, 'a');
  EXPECT_EQ(ProgramFolder(long_folder.c_str()), long_folder + "\\");
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

}  // namespace
