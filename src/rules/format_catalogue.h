// The built-in table of the formats the setup can associate with the viewer.
// A row's index is its identity everywhere: list item, association mark and
// position in the association pass.
#pragma once

#include <cstring>

#include "common/install_options.h"

// The icon a format's files show: their own picture, or one of the viewer's.
enum class DefaultIcon { kOwnIcon, kViewerIcon0, kViewerIcon8, kViewerIcon9 };

// One extension (lower case, no dot) and the type it is registered under;
// the viewer's ProgID for it is "Pellumara." followed by the type name.
struct Registration {
  const char* extension;
  const char* type_name;
};

constexpr int kMaxRegistrationsPerRow = 3;

struct FormatRow {
  const char* list_text;    // the list's first column, display only
  const char* description;  // second column; " *" at the end: read through a plug-in
  Registration registrations[kMaxRegistrationsPerRow];  // unused entries are null
  DefaultIcon default_icon;
  bool is_image;

  int registration_count() const {
    int count = 0;
    while (count < kMaxRegistrationsPerRow && registrations[count].extension != nullptr) ++count;
    return count;
  }

  // Whether registration i is the row's first of its type: a type's ProgID
  // and capability are written once, there, and the row's other extensions
  // of that type only point to it. A type never spans two rows.
  bool introduces_type(int i) const {
    for (int earlier = 0; earlier < i; ++earlier) {
      if (std::strcmp(registrations[earlier].type_name, registrations[i].type_name) == 0) {
        return false;
      }
    }
    return true;
  }
};

extern const FormatRow FormatCatalogue[kFormatCount];

// The selections of the command line and of the associations page, each a
// full assignment of the kFormatCount marks.
void SelectImagesOnly(int* association_marks);
void SelectAll(int* association_marks);
void SelectNone(int* association_marks);
