#include "rules/wizard_choices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "code_page_samples.h"

namespace {

constexpr unsigned kUnchecked = 0x1000;
constexpr unsigned kChecked = 0x2000;

TEST(MarksFromListStates, UntouchedListMarksNothing) {
  std::vector<unsigned> states(kFormatCount, kUnchecked);
  InstallOptions options;
  options.associate = 1;
  options.association_marks[5] = 1;
  MarksFromListStates(states.data(), kFormatCount, options);
  EXPECT_EQ(options.associate, 0);
  for (int mark : options.association_marks) EXPECT_EQ(mark, 0);
}

TEST(MarksFromListStates, EachCheckedItemMarksItsRow) {
  std::vector<unsigned> states(kFormatCount, kUnchecked | 0x3);  // other state bits don't count
  states[0] = kChecked;
  states[26] = kChecked | 0x2;
  states[67] = 0;  // an item without a state image counts as marked too
  InstallOptions options;
  MarksFromListStates(states.data(), kFormatCount, options);
  EXPECT_EQ(options.associate, 1);
  for (int row = 0; row < kFormatCount; ++row) {
    EXPECT_EQ(options.association_marks[row], row == 0 || row == 26 || row == 67) << row;
  }
}

TEST(MarksFromListStates, MissingListGivesNoMarks) {
  InstallOptions options;
  MarksFromListStates(nullptr, 0, options);
  EXPECT_EQ(options.associate, 0);
}

TEST(ViewerPathForFolder, TrimsLikeTheInstallation) {
  const CodePageCharacters western = samples::Western();
  EXPECT_EQ(ViewerPathForFolder("C:\\Apps\\Pellumara", western),
            "C:\\Apps\\Pellumara\\p_mara64.exe");
  EXPECT_EQ(ViewerPathForFolder("  C:\\Apps  ", western), "C:\\Apps\\p_mara64.exe");
  EXPECT_EQ(ViewerPathForFolder("C:\\Apps\\", western), "C:\\Apps\\p_mara64.exe");
}

TEST(ViewerPathForFolder, TooLongFolderGivesNoPath) {
  const CodePageCharacters western = samples::Western();
  std::string folder = "C:\\" + std::string(243, 'a') + "\\";  // 247 + 12 = 259 fits
  EXPECT_EQ(ViewerPathForFolder(folder.c_str(), western), folder + "p_mara64.exe");
  folder = "C:\\" + std::string(244, 'a') + "\\";
  EXPECT_EQ(ViewerPathForFolder(folder.c_str(), western), "");
  EXPECT_EQ(ViewerPathForFolder(std::string(300, 'x').c_str(), western), "");
}

}  // namespace
