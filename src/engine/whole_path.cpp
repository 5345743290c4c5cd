#include "engine/whole_path.h"

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
  const std::wstring wide = WideOf(given, CP_ACP);
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return false;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, &full[0], nullptr);
  if (length == 0 || length >= needed) return false;
  full.resize(length);
  std::string ansi;
  if (!AnsiPathOf(full.c_str(), &ansi) || ansi.size() >= size) return false;
  return CopyBounded(path, size, ansi);
}
