// The one record that drives an installation, filled from the command line
// (silent mode) or from the wizard's pages.
#pragma once

#include <cstddef>

constexpr std::size_t kPathSize = 260;  // MAX_PATH, terminator included
constexpr int kFormatCount = 68;        // rows of the format catalogue
constexpr int kImageFormatCount = 52;   // rows 0..51 are image formats

struct InstallOptions {
  char target_folder[kPathSize] = {};
  int start_menu_shortcut = 0;
  int desktop_shortcut = 0;
  int thumbnails_shortcut = 0;
  int all_users = 0;
  char ini_folder[kPathSize] = {};
  int association_marks[kFormatCount] = {};
  int associate = 0;
  int silent = 0;
};
