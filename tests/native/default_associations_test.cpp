#include "rules/default_associations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rules/format_catalogue.h"

namespace {

constexpr char kElementStart[] = "  <Association Identifier=\"";

std::vector<std::string> Lines(const std::string& xml) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = xml.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(xml.substr(start, end - start));
  }
  EXPECT_EQ(start, xml.size()) << "the last line does not end in CRLF";
  return lines;
}

// ".ext" of every Association line, in file order.
std::vector<std::string> Identifiers(const std::string& xml) {
  std::vector<std::string> identifiers;
  for (const std::string& line : Lines(xml)) {
    EXPECT_EQ(line.find('\n'), std::string::npos) << "a bare LF in: " << line;
    if (line.rfind(kElementStart, 0) != 0) continue;
    std::size_t start = sizeof kElementStart - 1;
    identifiers.push_back(line.substr(start, line.find('"', start) - start));
  }
  return identifiers;
}

std::vector<std::string> CatalogueExtensions(bool images_only) {
  std::vector<std::string> extensions;
  for (const FormatRow& format : FormatCatalogue) {
    if (images_only && !format.is_image) continue;
    for (int i = 0; i < format.registration_count(); ++i)
      extensions.push_back(std::string(".") + format.registrations[i].extension);
  }
  return extensions;
}

TEST(DefaultAssociations, AllNamesEveryRegistrationOnceUnderItsTypesProgId) {
  std::string xml = DefaultAssociationsXml(2);
  std::vector<std::string> lines = Lines(xml);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  EXPECT_EQ(lines[1], "<DefaultAssociations>");
  EXPECT_EQ(lines.back(), "</DefaultAssociations>");
  EXPECT_EQ(Identifiers(xml), CatalogueExtensions(false));
  // ".jpeg" is registered under the type "jpg", not under its own name.
  EXPECT_NE(xml.find("\r\n  <Association Identifier=\".jpeg\" ProgId=\"Pellumara.jpg\" "
                     "ApplicationName=\"Pellumara\" />\r\n"),
            std::string::npos);
}

TEST(DefaultAssociations, ImagesNameOnlyTheImageRowsAndOtherSelectionsNothing) {
  EXPECT_EQ(Identifiers(DefaultAssociationsXml(1)), CatalogueExtensions(true))
      << "the images file must name the image rows' extensions and no other";
  EXPECT_EQ(DefaultAssociationsXml(0), "");
  EXPECT_EQ(DefaultAssociationsXml(3), "");
}

}  // namespace
