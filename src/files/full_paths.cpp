#include "files/full_paths.h"

#include <windows.h>

#include <string>
#include <string_view>

#include "common/ansi_path.h"
#include "rules/text_rules.h"

bool MakePathWhole(char* path, std::size_t size) {
  if (!IsAbsoluteFolder(path)) return true;
  // Leading blanks would make it relative to the current directory; the
  // folder chain trims them anyway.
  std::string_view given(path);
  given.remove_prefix(given.find_first_not_of(' '));
  // Resolved in UTF-16 and brought back through the one exact conversion:
  // GetFullPathNameA would convert with best fit on the program's behalf.
  std::string full;
  return FullAnsiPathOf(std::string(given), &full) && full.size() < size &&
         CopyBounded(path, size, full);
}
