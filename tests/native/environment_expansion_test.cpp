#include "rules/environment_expansion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "common/install_options.h"

namespace {

class FakeEnvironment final : public VariableSource {
 public:
  std::map<std::string, std::string> values;
  int lookups = 0;

  Found Lookup(const char* name, char* value, std::size_t value_size) override {
    ++lookups;
    auto found = values.find(name);
    if (found == values.end()) return Found::kUndefined;
    if (found->second.size() >= value_size) return Found::kTooLong;
    std::memcpy(value, found->second.c_str(), found->second.size() + 1);
    return Found::kValue;
  }
};

// Expands into a heap block of exactly 260 bytes, so the sanitizers see any
// write past it.
std::string Expand(FakeEnvironment& environment, const std::string& text) {
  char* result = new char[kPathSize];
  std::memset(result, 'x', kPathSize);
  ExpandReferences(text, environment, result, kPathSize);
  std::string expanded = result;
  delete[] result;
  return expanded;
}

class Expansion : public ::testing::Test {
 protected:
  void SetUp() override {
    environment_.values["APPDATA"] = "C:\\Users\\anna\\AppData\\Roaming";
    environment_.values["USERNAME"] = "anna";
  }
  std::string Expand(const std::string& text) { return ::Expand(environment_, text); }
  FakeEnvironment environment_;
};

TEST_F(Expansion, RecommendedFolderExpandsToRoamingAppData) {
  EXPECT_EQ(Expand("%APPDATA%\\Pellumara"), "C:\\Users\\anna\\AppData\\Roaming\\Pellumara");
  EXPECT_EQ(Expand("D:\\%USERNAME%\\%USERNAME%"), "D:\\anna\\anna");
  EXPECT_EQ(Expand("plain text"), "plain text");
}

TEST_F(Expansion, UndefinedVariableEmptiesTheWholeResult) {
  EXPECT_EQ(Expand("%UNDEFINED%"), "");
  EXPECT_EQ(Expand("%UNDEFINED%\\settings"), "");
  EXPECT_EQ(Expand("C:\\%UNDEFINED%\\x"), "");
  EXPECT_EQ(Expand("%APPDATA%\\%UNDEFINED%"), "");
}

TEST_F(Expansion, EmptyReferencesDisappear) {
  EXPECT_EQ(Expand("100%%"), "100");
  EXPECT_EQ(Expand("a%"), "a");
  EXPECT_EQ(Expand("%%APPDATA%%"), "APPDATA");
}

TEST_F(Expansion, UnclosedReferenceRunsToTheEnd) {
  EXPECT_EQ(Expand("C:\\%APPDATA"), "C:\\C:\\Users\\anna\\AppData\\Roaming");
  EXPECT_EQ(Expand("C:\\%NOPE\\x"), "");
}

TEST_F(Expansion, ResultOf259CharactersFitsAndOneMoreEmptiesIt) {
  environment_.values["LONG"] = std::string(250, 'L');
  EXPECT_EQ(Expand("%LONG%123456789"), std::string(250, 'L') + "123456789");
  EXPECT_EQ(Expand("%LONG%1234567890"), "");
  EXPECT_EQ(Expand(std::string(300, 'p')), "");
  EXPECT_EQ(Expand("%LONG%%LONG%"), "");
}

TEST_F(Expansion, ValueTooLongForItsBufferEmptiesTheResult) {
  environment_.values["HUGE"] = std::string(400, 'H');
  environment_.values["EXACT"] = std::string(259, 'E');
  EXPECT_EQ(Expand("C:\\%HUGE%"), "");
  EXPECT_EQ(Expand("%EXACT%"), std::string(259, 'E'));
  EXPECT_EQ(Expand("x%EXACT%"), "");
}

TEST_F(Expansion, NameIsLookedUpWithoutItsPercentSigns) {
  environment_.values["A B"] = "spaced";
  EXPECT_EQ(Expand("%A B%"), "spaced");
  EXPECT_EQ(environment_.lookups, 1);
}

}  // namespace

// A setup run as SYSTEM cannot fill these for each user; a fixed folder, or
// one below the machine's variables, it can.
TEST(ProfileReference, NamesTheVariablesThatDifferFromUserToUser) {
  for (const char* folder :
       {"%APPDATA%\\Pellumara", "%localappdata%\\Pellumara", "C:\\Data\\%UserName%",
        "%HOMEDRIVE%%HOMEPATH%\\Pellumara", "%TEMP%", "%TMP%\\x", "%USERPROFILE%\\Pellumara",
        "%OneDrive%\\Pellumara", "%PROGRAMDATA%\\%APPDATA%"}) {
    EXPECT_TRUE(RefersToUserProfile(folder)) << folder;
  }
  for (const char* folder :
       {"C:\\Data\\Pellumara", "%PROGRAMDATA%\\Pellumara", "%SystemDrive%\\Pellumara", "",
        "APPDATA\\Pellumara", "%APPDATAX%", "%%APPDATA", "100%\\APPDATA%"}) {
    EXPECT_FALSE(RefersToUserProfile(folder)) << folder;
  }
  // A reference without its closing '%' runs to the end, as in the expansion.
  EXPECT_TRUE(RefersToUserProfile("C:\\%APPDATA"));
}
