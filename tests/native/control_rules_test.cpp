#include "rules/control_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const Colour kLink = MakeColour(0, 0, 238);
const Colour kVisited = MakeColour(85, 26, 139);
const Colour kHover = MakeColour(255, 0, 0);

TEST(LinkTextColour, HoverBeatsVisitedBeatsLink) {
  EXPECT_EQ(kLink, 0x00EE0000u);
  EXPECT_EQ(kVisited, 0x008B1A55u);
  EXPECT_EQ(kHover, 0x000000FFu);
  EXPECT_EQ(LinkTextColour(false, false, kLink, kVisited, kHover), kLink);
  EXPECT_EQ(LinkTextColour(false, true, kLink, kVisited, kHover), kVisited);
  EXPECT_EQ(LinkTextColour(true, false, kLink, kVisited, kHover), kHover);
  EXPECT_EQ(LinkTextColour(true, true, kLink, kVisited, kHover), kHover);
}

TEST(LinkCommandLine, CutsAtThePlaceholderAndAppendsTheAddress) {
  const char* address = "https://www.pellumara.example/eula.htm";
  EXPECT_EQ(LinkCommandLine("\"C:\\Browser\\b.exe\" -url \"%1\" -new", address),
            std::string("\"C:\\Browser\\b.exe\" -url  ") + address);
  EXPECT_EQ(LinkCommandLine("C:\\b.exe %1", address), std::string("C:\\b.exe  ") + address);
  EXPECT_EQ(LinkCommandLine("C:\\b.exe", address), std::string("C:\\b.exe ") + address);
  // The quoted placeholder is looked for first, even when a bare one comes earlier.
  EXPECT_EQ(LinkCommandLine("b.exe %1 \"%1\"", address), std::string("b.exe %1  ") + address);
}

TEST(FitBoxToText, KeepsLeftEdgeRightEdgeOrCentre) {
  const Box window = {100, 50, 200, 70};  // 100 x 20, borders 2 each way
  const Box client = {0, 0, 98, 18};
  Box left = FitBoxToText(window, client, 60, 13, 0);
  EXPECT_EQ(left.left, 100);
  EXPECT_EQ(left.right, 162);
  EXPECT_EQ(left.top, 50);
  EXPECT_EQ(left.bottom, 65);

  Box right = FitBoxToText(window, client, 60, 13, kStyleRight);
  EXPECT_EQ(right.right, 200);
  EXPECT_EQ(right.left, 138);

  Box centred = FitBoxToText(window, client, 60, 13, kStyleCenter | kStyleCenterImage);
  EXPECT_EQ(centred.left, 119);
  EXPECT_EQ(centred.right, 181);
  EXPECT_EQ(centred.top, 52);  // (20 - 15) / 2 = 2 at top and bottom
  EXPECT_EQ(centred.bottom, 68);

  Box grown = FitBoxToText(window, client, 140, 13, kStyleCenter);
  EXPECT_EQ(grown.left, 79);  // 142 wide with the borders
  EXPECT_EQ(grown.right, 221);
}

TEST(ControlRules, TextWithoutMnemonicsReadsAsItShows) {
  EXPECT_EQ(TextWithoutMnemonics("&Pellumara-Verzeichnis"), "Pellumara-Verzeichnis");
  EXPECT_EQ(TextWithoutMnemonics("\"&Anwendungsdaten\"-Verzeichnis"), "\"Anwendungsdaten\"-Verzeichnis");
  EXPECT_EQ(TextWithoutMnemonics("Tom && Jerry&"), "Tom & Jerry");
  EXPECT_EQ(TextWithoutMnemonics(""), "");
}

}  // namespace
