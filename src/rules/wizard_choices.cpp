#include "rules/wizard_choices.h"

#include <cstring>

#include "rules/integration_texts.h"
#include "rules/text_rules.h"

void MarksFromListStates(const unsigned* states, int count, InstallOptions& options) {
  options.associate = 0;
  for (int& mark : options.association_marks) mark = 0;
  for (int i = 0; i < count && i < kFormatCount; ++i) {
    if (((states[i] & 0xF000u) >> 12) != 1) {
      options.association_marks[i] = 1;
      options.associate = 1;
    }
  }
}

std::string ViewerPathForFolder(const char* typed_folder) {
  if (std::strlen(typed_folder) >= kPathSize) return {};
  std::string path = ViewerPath(ProgramFolder(typed_folder));
  if (path.size() >= kPathSize) return {};
  return path;
}
