#include "rules/wizard_choices.h"

#include <cstring>

#include "rules/integration_texts.h"
#include "rules/product_names.h"
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

std::string AppDataSettingsFolder() { return std::string("%APPDATA%\\") + kProductFolderName; }

