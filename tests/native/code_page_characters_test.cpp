#include "rules/code_page_characters.h"

#include <gtest/gtest.h>

#include <string>

#include "code_page_samples.h"

namespace {

using samples::kGong;
using samples::kHyo;
using samples::kJo;
using samples::kSo;

// In each double-byte code page a character whose second byte is 0x5C
// stands inside a level: only the real backslashes separate.
TEST(CodePageCharacters, DoubleBytePagesStepOverTheirCharactersWhole) {
  const struct {
    CodePageCharacters characters;
    std::string character;
  } pages[] = {{samples::Japanese(), kSo},
               {samples::Japanese(), kHyo},
               {samples::SimplifiedChinese(), kJo},
               {samples::TraditionalChinese(), kGong},
               {samples::TraditionalChinese(), samples::kXu}};
  for (const auto& page : pages) {
    const std::string level = "a" + page.character;
    const std::string path = "C:\\" + level + "\\" + page.character;
    EXPECT_EQ(page.characters.FindLastOf(path, "\\"), 3 + level.size()) << path;
    EXPECT_EQ(page.characters.FindFirstOf(path, "\\", 3), 3 + level.size()) << path;
    EXPECT_FALSE(page.characters.EndsWith(path, '\\')) << path;
    EXPECT_TRUE(page.characters.EndsWith(path + "\\", '\\')) << path;
    EXPECT_FALSE(page.characters.IsBoundary(path, path.size() - 1)) << path;
    EXPECT_TRUE(page.characters.IsBoundary(path, path.size() - 2)) << path;
    EXPECT_EQ(page.characters.WholeLength(path, path.size() - 1), path.size() - 2) << path;
  }
  // Under a code page of one byte per character the same bytes are two
  // characters, the second a backslash.
  EXPECT_TRUE(samples::Western().EndsWith(std::string("C:\\") + kSo, '\\'));
  // 949 has no backslash for a second byte, but letters.
  EXPECT_EQ(samples::Korean().Next(samples::kGak, 0), 2u);
}

TEST(CodePageCharacters, Utf8CharactersHaveUpToFourBytes) {
  const CodePageCharacters utf8 = samples::Utf8();
  const std::string text = std::string("\xC3\xBC") + samples::kHyoUtf8 + "\xF0\x9F\x98\x80" + "\\";
  EXPECT_EQ(utf8.Next(text, 0), 2u);
  EXPECT_EQ(utf8.Next(text, 2), 5u);
  EXPECT_EQ(utf8.Next(text, 5), 9u);
  EXPECT_EQ(utf8.FindLastOf(text, "\\"), 9u);
  // A limit inside 表 or the four-byte character keeps what comes before.
  EXPECT_EQ(utf8.WholeLength(text, 4), 2u);
  EXPECT_EQ(utf8.WholeLength(text, 8), 5u);
  EXPECT_FALSE(utf8.IsBoundary(text, 7));
  // A lead byte cut short by the end stays within the text.
  EXPECT_EQ(utf8.Next("\xE8\xA1", 0), 2u);
}

// A stray lead byte before a separator (found by fuzzing the folder chain:
// "J\xEC" gained a backslash on every pass) leaves the separator standing.
TEST(CodePageCharacters, LeadByteNeverSwallowsASeparator) {
  const std::string stray = "J\xEC\\x";
  EXPECT_EQ(samples::Utf8().Next(stray, 1), 2u);
  EXPECT_EQ(samples::Utf8().FindLastOf(stray, "\\"), 2u);
  EXPECT_EQ(samples::Japanese().Next("\x83 x", 0), 1u);
  EXPECT_EQ(samples::Japanese().Next("\x83\\x", 0), 2u);  // "ソ"
  EXPECT_TRUE(samples::Utf8().EndsWith("J\xEC\\", '\\'));
}

}  // namespace
