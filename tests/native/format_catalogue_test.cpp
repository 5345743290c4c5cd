#include "rules/format_catalogue.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// extension -> type name over the whole table, with the row it sits in.
struct Found {
  int row = -1;
  std::string type_name;
};

std::map<std::string, Found> AllRegistrations() {
  std::map<std::string, Found> found;
  for (int row = 0; row < kFormatCount; ++row) {
    const FormatRow& format = FormatCatalogue[row];
    for (int i = 0; i < format.registration_count(); ++i) {
      found[format.registrations[i].extension] = {row, format.registrations[i].type_name};
    }
  }
  return found;
}

TEST(FormatCatalogue, Holds90RegistrationsOf73TypesWithoutDuplicates) {
  int registrations = 0;
  std::set<std::string> types;
  std::multiset<std::string> introduced;  // each type's ProgID is written where it is introduced
  for (const FormatRow& format : FormatCatalogue) {
    ASSERT_GE(format.registration_count(), 1) << format.list_text;
    registrations += format.registration_count();
    for (int i = 0; i < format.registration_count(); ++i) {
      types.insert(format.registrations[i].type_name);
      if (format.introduces_type(i)) introduced.insert(format.registrations[i].type_name);
    }
  }
  EXPECT_EQ(registrations, 90);
  EXPECT_EQ(AllRegistrations().size(), 90u) << "an extension is registered twice";
  EXPECT_EQ(types.size(), 73u);
  EXPECT_EQ(introduced.size(), 73u) << "a type is introduced twice, or not at all";
  EXPECT_EQ(std::set<std::string>(introduced.begin(), introduced.end()), types);
}

TEST(FormatCatalogue, ExtensionsAndTypesAreLowerCaseWithoutDot) {
  for (const auto& [extension, found] : AllRegistrations()) {
    for (const std::string& text : {extension, found.type_name}) {
      for (char c : text) {
        EXPECT_TRUE(std::islower(static_cast<unsigned char>(c)) ||
                    std::isdigit(static_cast<unsigned char>(c)))
            << text;
      }
    }
  }
}

TEST(FormatCatalogue, ListTextStartsWithTheFirstExtensionInUpperCase) {
  for (const FormatRow& format : FormatCatalogue) {
    std::string first = format.registrations[0].extension;
    for (char& c : first) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(std::string(format.list_text).substr(0, first.size()), first);
  }
}

TEST(FormatCatalogue, TypeNamesThatAreNotTheFirstExtension) {
  std::map<std::string, Found> found = AllRegistrations();
  EXPECT_EQ(found["jpeg"].type_name, "jpg");
  EXPECT_EQ(found["jpe"].type_name, "jpg");
  EXPECT_EQ(found["jpe"].row, 26);
  EXPECT_EQ(found["mpe"].type_name, "mpe");
  EXPECT_EQ(found["mpeg"].type_name, "mpg");
  EXPECT_EQ(found["jng"].type_name, "jng");
  EXPECT_EQ(found["cr2"].type_name, "cr2");
  EXPECT_EQ(found["flv"].type_name, "flv");
  EXPECT_EQ(found["rmi"].type_name, "rmi");
  EXPECT_EQ(found["snd"].type_name, "au");
  EXPECT_EQ(found["dib"].type_name, "bmp");
  EXPECT_EQ(found["tiff"].type_name, "tif");
  // Registered although the list text does not show them.
  EXPECT_EQ(found["lbm"].row, 22);
  EXPECT_EQ(found["lbm"].type_name, "iff");
  EXPECT_EQ(found["sun"].row, 38);
  EXPECT_EQ(found["sun"].type_name, "ras");
  EXPECT_EQ(found["rgb"].row, 43);
  EXPECT_EQ(found["rgb"].type_name, "sgi");
  EXPECT_STREQ(FormatCatalogue[22].list_text, "IFF");
  EXPECT_STREQ(FormatCatalogue[56].list_text, "MPG/MPE/MPEG");
  EXPECT_STREQ(FormatCatalogue[67].description, "Windows Media Audio File *");
}

TEST(FormatCatalogue, IconGroupsAndImageRows) {
  for (int row = 0; row < kFormatCount; ++row) {
    DefaultIcon expected = DefaultIcon::kViewerIcon0;
    if (row == 0 || row == 6 || row == 20 || row == 21) expected = DefaultIcon::kOwnIcon;
    if (row >= 54 && row <= 58) expected = DefaultIcon::kViewerIcon9;
    if (row >= 59) expected = DefaultIcon::kViewerIcon8;
    EXPECT_EQ(FormatCatalogue[row].default_icon, expected) << "row " << row;
    EXPECT_EQ(FormatCatalogue[row].is_image, row <= 51) << "row " << row;
  }
  EXPECT_STREQ(FormatCatalogue[21].registrations[0].extension, "ico");
  EXPECT_STREQ(FormatCatalogue[54].registrations[0].extension, "asf");
  EXPECT_STREQ(FormatCatalogue[59].registrations[0].extension, "aif");
}

std::vector<int> Marks(void (*select)(int*), int start) {
  std::vector<int> marks(kFormatCount, start);
  select(marks.data());
  return marks;
}

TEST(FormatCatalogue, SelectionsAssignEveryMark) {
  for (int start : {0, 7}) {
    std::vector<int> images = Marks(SelectImagesOnly, start);
    for (int row = 0; row < kFormatCount; ++row) EXPECT_EQ(images[row], row <= 51 ? 1 : 0) << row;
    EXPECT_EQ(Marks(SelectAll, start), std::vector<int>(kFormatCount, 1));
    EXPECT_EQ(Marks(SelectNone, start), std::vector<int>(kFormatCount, 0));
  }
}

}  // namespace
