#include "rules/text_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "code_page_samples.h"
#include "common/install_options.h"

namespace {

// A heap buffer of exactly kPathSize bytes, so the sanitizers see any write
// past a 260-byte path.
struct PathBuffer {
  explicit PathBuffer(const std::string& text) : data(new char[kPathSize]) {
    std::memset(data, 'x', kPathSize);
    std::memcpy(data, text.c_str(), text.size() + 1);
  }
  ~PathBuffer() { delete[] data; }
  std::string str() const { return data; }
  char* data;
};

std::string Trimmed(const std::string& text) {
  PathBuffer buffer(text);
  TrimBlanks(buffer.data);
  return buffer.str();
}

std::string Unquoted(const std::string& text) {
  PathBuffer buffer(text);
  UnquoteFolder(buffer.data);
  return buffer.str();
}

TEST(TrimBlanks, RemovesSurroundingSpacesOnly) {
  EXPECT_EQ(Trimmed("  C:\\Data  "), "C:\\Data");
  EXPECT_EQ(Trimmed("C:\\Data"), "C:\\Data");
  EXPECT_EQ(Trimmed("\tC:\\Data\t"), "\tC:\\Data\t");
  EXPECT_EQ(Trimmed("    "), "");
  EXPECT_EQ(Trimmed(""), "");
  EXPECT_EQ(Trimmed(" C:\\New Folder \\x "), "C:\\New Folder \\x");
}

TEST(TrimBlanks, LongStringKeepsItsLeadingBlanks) {
  // 260 characters and more: only the trailing blanks go.
  std::string text = "  " + std::string(258, 'a') + "   ";
  std::string buffer = text;
  TrimBlanks(buffer.data());
  EXPECT_STREQ(buffer.c_str(), ("  " + std::string(258, 'a')).c_str());

  // 259 characters with leading blanks still lose them.
  std::string fits = "  " + std::string(257, 'a');
  EXPECT_EQ(Trimmed(fits), std::string(257, 'a'));
}

// The settings folder the viewer reads back: a relative or drive-relative
// value would be resolved against the viewer's own current folder, a
// control character would break the settings file's line.
TEST(IsUsableSettingsFolder, AbsoluteOrEmptyAndWithoutControlCharacters) {
  EXPECT_TRUE(IsUsableSettingsFolder("C:\\Users\\Ann\\Pellumara"));
  EXPECT_TRUE(IsUsableSettingsFolder("\\\\server\\share\\P"));
  EXPECT_TRUE(IsUsableSettingsFolder(""));
  EXPECT_FALSE(IsUsableSettingsFolder("C:Pellumara"));
  EXPECT_FALSE(IsUsableSettingsFolder("Settings\\Sub"));
  EXPECT_FALSE(IsUsableSettingsFolder("C:\\P\nInvalid=1"));
  EXPECT_FALSE(IsUsableSettingsFolder(std::string("C:\\P\x1f", 5)));
  EXPECT_TRUE(IsUsableSettingsFolder("C:\\P \x7f\xff"));
}

TEST(IsAbsoluteFolder, DriveRootOrUncAfterTheBlanks) {
  EXPECT_TRUE(IsAbsoluteFolder("C:\\Data\\New Folder \\Pictures"));
  EXPECT_TRUE(IsAbsoluteFolder("  z:\\ "));
  EXPECT_TRUE(IsAbsoluteFolder(" \\\\server\\share"));
  EXPECT_FALSE(IsAbsoluteFolder(""));
  EXPECT_FALSE(IsAbsoluteFolder("   "));
  EXPECT_FALSE(IsAbsoluteFolder("Rel\\Dir"));
  EXPECT_FALSE(IsAbsoluteFolder("C:Rel"));
  EXPECT_FALSE(IsAbsoluteFolder("C:"));
  EXPECT_FALSE(IsAbsoluteFolder("\\Rooted\\On\\The\\Current\\Drive"));
  EXPECT_FALSE(IsAbsoluteFolder("%SystemDrive%\\Earlier"));
  EXPECT_FALSE(IsAbsoluteFolder("\tC:\\x"));
  EXPECT_FALSE(IsAbsoluteFolder("\xC4:\\x"));
}

TEST(UnquoteFolder, StripsQuotesAndBlanksInOrder) {
  EXPECT_EQ(Unquoted("\"C:\\Program Files\\Pellumara\" "), "C:\\Program Files\\Pellumara");
  EXPECT_EQ(Unquoted("\"C:\\a b\""), "C:\\a b");
  EXPECT_EQ(Unquoted("\"C:\\a"), "C:\\a");
  EXPECT_EQ(Unquoted("C:\\a\""), "C:\\a");
  EXPECT_EQ(Unquoted("  C:\\a  "), "  C:\\a");  // leading blanks stay
  EXPECT_EQ(Unquoted("\" C:\\a \" "), " C:\\a");
  EXPECT_EQ(Unquoted("\""), "");
  EXPECT_EQ(Unquoted("\"\""), "");
  EXPECT_EQ(Unquoted(""), "");
  EXPECT_EQ(Unquoted("   "), "");
}

TEST(UnquoteFolder, FullBufferOfQuotedText) {
  std::string text = "\"" + std::string(257, 'a') + "\"";
  ASSERT_EQ(text.size(), 259u);
  EXPECT_EQ(Unquoted(text), std::string(257, 'a'));
}

TEST(ReadDecimal, FollowsAtoi) {
  EXPECT_EQ(ReadDecimal("1"), 1);
  EXPECT_EQ(ReadDecimal("1 "), 1);
  EXPECT_EQ(ReadDecimal("  42abc"), 42);
  EXPECT_EQ(ReadDecimal("\t\n+7"), 7);
  EXPECT_EQ(ReadDecimal("-3"), -3);
  EXPECT_EQ(ReadDecimal(""), 0);
  EXPECT_EQ(ReadDecimal("abc"), 0);
  EXPECT_EQ(ReadDecimal("- 5"), 0);
  EXPECT_EQ(ReadDecimal("0x10"), 0);
  EXPECT_EQ(ReadDecimal("005"), 5);
}

TEST(ReadDecimal, SaturatesInsteadOfOverflowing) {
  EXPECT_EQ(ReadDecimal("2147483647"), INT_MAX);
  EXPECT_EQ(ReadDecimal("2147483648"), INT_MAX);
  EXPECT_EQ(ReadDecimal("99999999999999999999999999"), INT_MAX);
  EXPECT_EQ(ReadDecimal("-2147483648"), INT_MIN);
  EXPECT_EQ(ReadDecimal("-99999999999999999999999999"), INT_MIN);
}

TEST(BoundedCopies, NeverWritePastTheBuffer) {
  char small[8];
  EXPECT_TRUE(CopyBounded(small, sizeof small, "1234567"));
  EXPECT_STREQ(small, "1234567");
  EXPECT_FALSE(CopyBounded(small, sizeof small, "12345678"));
  EXPECT_STREQ(small, "1234567");

  CopyBounded(small, sizeof small, "1234");
  EXPECT_TRUE(AppendBounded(small, sizeof small, "567"));
  EXPECT_FALSE(AppendBounded(small, sizeof small, "8"));
  EXPECT_STREQ(small, "1234567");
}

TEST(AppendBackslash, OnlyWhenThereIsRoom) {
  const CodePageCharacters western = samples::Western();
  PathBuffer short_path("C:\\Data");
  AppendBackslash(short_path.data, western);
  EXPECT_EQ(short_path.str(), "C:\\Data\\");
  AppendBackslash(short_path.data, western);
  EXPECT_EQ(short_path.str(), "C:\\Data\\");

  PathBuffer fits(std::string(258, 'a'));
  AppendBackslash(fits.data, western);
  EXPECT_EQ(fits.str(), std::string(258, 'a') + "\\");

  PathBuffer full(std::string(259, 'a'));
  AppendBackslash(full.data, western);
  EXPECT_EQ(full.str(), std::string(259, 'a'));
}

// A folder ending in "表" (0x95 0x5C in 932) or "功" (0xA5 0x5C in 950)
// does not end in a backslash.
TEST(AppendBackslash, LastCharacterCountsNotLastByte) {
  const struct {
    CodePageCharacters characters;
    const char* character;
  } pages[] = {{samples::Japanese(), samples::kHyo},
               {samples::TraditionalChinese(), samples::kGong}};
  for (const auto& page : pages) {
    const std::string folder = std::string("C:\\") + page.character;
    PathBuffer path(folder);
    AppendBackslash(path.data, page.characters);
    EXPECT_EQ(path.str(), folder + "\\");
    AppendBackslash(path.data, page.characters);
    EXPECT_EQ(path.str(), folder + "\\");
  }
}

}  // namespace
