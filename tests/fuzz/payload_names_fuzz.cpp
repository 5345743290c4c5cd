// The payload-name rule over any entry name: a name it lets through stays
// in the folder (no root, drive, stream, parent level), is ASCII without
// control characters and names no device; its key names the same file
// under any code page.
#include <algorithm>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "rules/payload_rules.h"

namespace {

bool IsDevice(std::string_view component) {
  std::string stem(component.substr(0, component.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul" || stem == "conin$" ||
      stem == "conout$") {
    return true;
  }
  return stem.size() == 4 && (stem.rfind("com", 0) == 0 || stem.rfind("lpt", 0) == 0) &&
         stem[3] >= '0' && stem[3] <= '9';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view name(reinterpret_cast<const char*>(data), size);
  if (!IsSafeEntryName(name)) return 0;
  if (name.empty()) return 0;
  FUZZ_CHECK(name[0] != '/' && name[0] != '\\');
  FUZZ_CHECK(name.find(':') == std::string_view::npos);
  for (char c : name) {
    FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x80);
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view component = name.substr(start, end - start);
    // Windows drops trailing dots and blanks: two dots and blanks are "..".
    const bool dots_and_blanks = component.find_first_not_of(". ") == std::string_view::npos;
    FUZZ_CHECK(!dots_and_blanks || std::count(component.begin(), component.end(), '.') < 2);
    FUZZ_CHECK(!IsDevice(component));
    start = end + 1;
  }
  // ASCII: every code page reads it alike.
  const std::string key = FileSystemKey(name, CodePageCharacters::SingleByte());
  FUZZ_CHECK(key == FileSystemKey(name, CodePageFromByte(1)));
  FUZZ_CHECK(key == FileSystemKey(name, CodePageFromByte(2)));
  FUZZ_CHECK(key.size() == name.size());
  return 0;
}
