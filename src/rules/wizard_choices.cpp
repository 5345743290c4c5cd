#include "rules/wizard_choices.h"

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
  char path[kPathSize];
  if (!CopyBounded(path, sizeof path, typed_folder)) return {};
  TrimBlanks(path);
  AppendBackslash(path);
  if (!AppendBounded(path, sizeof path, "p_mara64.exe")) return {};
  return path;
}
