#include "rules/default_associations.h"

#include "rules/format_catalogue.h"
#include "rules/integration_texts.h"
#include "rules/product_names.h"

namespace {

// The file is read on Windows, where Dism's own export ends its lines so.
constexpr char kLineEnd[] = "\r\n";

}  // namespace

std::string DefaultAssociationsXml(int selection) {
  int marks[kFormatCount] = {};
  if (selection == 1) {
    SelectImagesOnly(marks);
  } else if (selection == 2) {
    SelectAll(marks);
  } else {
    return "";
  }
  std::string xml = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + kLineEnd;
  xml += std::string("<DefaultAssociations>") + kLineEnd;
  // Extensions and type names are lower-case letters and digits only (the
  // catalogue's tests hold them to that), so nothing needs escaping.
  for (int row = 0; row < kFormatCount; ++row) {
    if (!marks[row]) continue;
    const FormatRow& format = FormatCatalogue[row];
    for (int i = 0; i < format.registration_count(); ++i) {
      const Registration& registration = format.registrations[i];
      xml += std::string("  <Association Identifier=\".") + registration.extension + "\" ProgId=\"" +
             ProgId(registration.type_name) + "\" ApplicationName=\"" + kRegisteredAppName +
             "\" />" + kLineEnd;
    }
  }
  xml += std::string("</DefaultAssociations>") + kLineEnd;
  return xml;
}
