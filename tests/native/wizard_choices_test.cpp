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

}  // namespace
