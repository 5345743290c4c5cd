#include "rules/control_rules.h"

#include <gtest/gtest.h>

#include <cstring>
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

FontRecord DialogFont() {
  FontRecord font = {};
  font.height = -11;
  font.weight = kNormalWeight;
  font.italic = 1;
  font.char_set = 1;
  font.quality = 0;
  font.pitch_and_family = 0x22;
  std::strcpy(font.face_name, "MS Sans Serif");
  return font;
}

TEST(FontRecords, BoldKeepsTheWindowFontButItsWeight) {
  FontRecord bold = BoldFontRecord(DialogFont(), true);
  EXPECT_EQ(bold.weight, kBoldWeight);
  EXPECT_EQ(bold.height, -11);
  EXPECT_EQ(bold.italic, 1);
  EXPECT_STREQ(bold.face_name, "MS Sans Serif");
  EXPECT_EQ(BoldFontRecord(DialogFont(), false).weight, kNormalWeight);
}

TEST(FontRecords, FaceStartsFromZeroWithHeightAndAntialiasing) {
  FontRecord face = FaceFontRecord("Arial", DialogFont(), 18);
  FontRecord expected = {};
  std::strcpy(expected.face_name, "Arial");
  expected.height = 18;
  expected.quality = kAntialiasedQuality;
  EXPECT_EQ(std::memcmp(&face, &expected, sizeof face), 0);

  FontRecord kept = FaceFontRecord(nullptr, DialogFont(), 18);
  EXPECT_STREQ(kept.face_name, "MS Sans Serif");
  EXPECT_EQ(kept.height, 18);
  EXPECT_EQ(kept.quality, kAntialiasedQuality);
  EXPECT_EQ(kept.pitch_and_family, 0x22);
}

TEST(FontRecords, LongFaceNamesKeep31Characters) {
  std::string long_face(40, 'F');
  FontRecord face = FaceFontRecord(long_face.c_str(), DialogFont(), 18);
  EXPECT_EQ(std::string(face.face_name), std::string(31, 'F'));
}

TEST(FontRecords, TheSetupsOrderGivesBoldArial18) {
  // Colour, then SetBoldText(TRUE), then SetFontFace("Arial", 18): the face
  // record is rebuilt with the bold flag still set.
  bool bold = true;
  FontRecord after_bold = PaintFontRecord(BoldFontRecord(DialogFont(), bold), bold);
  EXPECT_EQ(after_bold.weight, kBoldWeight);
  FontRecord paint = PaintFontRecord(FaceFontRecord("Arial", DialogFont(), 18), bold);
  EXPECT_STREQ(paint.face_name, "Arial");
  EXPECT_EQ(paint.height, 18);
  EXPECT_EQ(paint.weight, kBoldWeight);
  EXPECT_EQ(paint.quality, kAntialiasedQuality);
  EXPECT_EQ(PaintFontRecord(paint, false).weight, kNormalWeight);
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

}  // namespace
