#include "rules/wizard_rules.h"

#include <cstring>
#include <string>
#include <string_view>

#include "common/install_options.h"
#include "rules/product_names.h"
#include "rules/text_rules.h"

bool TargetFolderHasDrive(const char* folder) { return StartsWithDriveRoot(folder); }

void AppendProductFolder(char* path, const CodePageCharacters& characters) {
  AppendBackslash(path, characters);
  const std::string_view folder(path);
  // The backslash in front of the last folder name: the last one before
  // the closing backslash.
  const std::size_t before_last =
      folder.empty() ? std::string_view::npos
                     : characters.FindLastOf(folder.substr(0, folder.size() - 1), "\\");
  const std::string product_level = std::string(kProductFolderName) + "\\";
  const bool other_name =
      before_last != std::string_view::npos && before_last > 0 &&
      !EqualsIgnoringCase(folder.substr(before_last + 1), product_level);
  const bool drive_root = folder.size() == 3;
  if (other_name || drive_root) AppendBounded(path, kPathSize, product_level.c_str());
}

int FindNeighbourIndex(const int* included, int page_count, int active, bool forward) {
  const int step = forward ? 1 : -1;
  for (int i = active + step; i >= 0 && i < page_count; i += step) {
    if (included[i]) return i;
  }
  return -1;
}
