#include "rules/toolbar_skin_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Skin(int height, int scaling) {
  ToolbarSkin chosen = ChooseToolbarSkinFor(height, scaling);
  return std::string(chosen.skin) + " " + chosen.size;
}

TEST(ToolbarSkin, FullHdScreenByScaling) {
  EXPECT_EQ(Skin(1000, 100), "Halvorne_24.png 24");
  EXPECT_EQ(Skin(1000, 125), "Halvorne_24.png 24");
  EXPECT_EQ(Skin(1000, 150), "gnome-colors-wise_32.png 32");
  EXPECT_EQ(Skin(1000, 169), "gnome-colors-wise_32.png 32");
  EXPECT_EQ(Skin(1000, 175), "gnome-colors-human_48.png 48");
}

TEST(ToolbarSkin, HeightBoundaries) {
  EXPECT_EQ(Skin(1599, 100), "gnome-colors-wise_32.png 32");
  EXPECT_EQ(Skin(1600, 100), "gnome-colors-human_48.png 48");
  EXPECT_EQ(Skin(1200, 100), "Halvorne_24.png 24");
  EXPECT_EQ(Skin(1201, 100), "gnome-colors-wise_32.png 32");
  EXPECT_EQ(Skin(768, 100), "Halvorne_24.png 24");
  EXPECT_EQ(Skin(767, 100), "Tavrel_16.png 16");
}

TEST(ToolbarSkin, ScalingWinsOverASmallScreen) {
  EXPECT_EQ(Skin(700, 150), "gnome-colors-wise_32.png 32");
  EXPECT_EQ(Skin(700, 200), "gnome-colors-human_48.png 48");
  EXPECT_EQ(Skin(700, 125), "Tavrel_16.png 16");
}

TEST(ToolbarSkin, ScalingDropsTheRemainder) {
  EXPECT_EQ(ScalingPercentFromDpi(96), 100);
  EXPECT_EQ(ScalingPercentFromDpi(120), 125);
  EXPECT_EQ(ScalingPercentFromDpi(143), 148);
  EXPECT_EQ(ScalingPercentFromDpi(144), 150);
  EXPECT_EQ(ScalingPercentFromDpi(168), 175);
  EXPECT_EQ(ScalingPercentFromDpi(192), 200);
  EXPECT_EQ(ScalingPercentFromDpi(0), 0);
  EXPECT_GT(ScalingPercentFromDpi(2147483647), 170);
}

}  // namespace
