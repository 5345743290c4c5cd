#include "rules/wizard_rules.h"

#include <cstring>
#include <string>
#include <string_view>

#include "common/install_options.h"
#include "rules/product_names.h"
#include "rules/text_rules.h"

bool TargetFolderHasDrive(const char* folder) { return StartsWithDriveRoot(folder); }

void AppendProductFolder(char* path) {
  AppendBackslash(path);
  const std::size_t length = std::strlen(path);
  // The backslash in front of the last folder name: searched from the
  // second-to-last character, since the last one is the closing backslash.
  long before_last = -1;
  for (long i = static_cast<long>(length) - 2; i >= 0; --i) {
    if (path[i] == '\\') {
      before_last = i;
      break;
    }
  }
  const std::string product_level = std::string(kProductFolderName) + "\\";
  const bool other_name =
      before_last > 0 &&
      !EqualsIgnoringCase(std::string_view(path + before_last + 1), product_level);
  const bool drive_root = length == 3;
  if (other_name || drive_root) AppendBounded(path, kPathSize, product_level.c_str());
}

int FindNeighbourIndex(const int* included, int page_count, int active, bool forward) {
  const int step = forward ? 1 : -1;
  for (int i = active + step; i >= 0 && i < page_count; i += step) {
    if (included[i]) return i;
  }
  return -1;
}
