#include "payload_names.h"

#include "rules/payload_rules.h"

namespace {

constexpr std::string_view kForbiddenCharacters = "<>:\"/\\|?*";
constexpr std::string_view kDeviceNames[] = {"con", "prn", "aux", "nul"};
constexpr std::string_view kNumberedDeviceNames[] = {"com", "lpt"};

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// Windows opens a device for such a name in any folder, with any extension
// and with blanks before the extension: "aux.dll" and "CON .txt" are consoles
// and ports, never files.
bool IsDeviceName(std::string_view component) {
  std::string base = Lower(component.substr(0, component.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (std::string_view device : kDeviceNames) {
    if (base == device) return true;
  }
  for (std::string_view device : kNumberedDeviceNames) {
    if (base.size() == 4 && base.compare(0, 3, device) == 0 && base[3] >= '1' && base[3] <= '9') {
      return true;
    }
  }
  return false;
}

// The first component of name that Windows would not keep, with the reason.
std::string NameProblem(std::string_view name) {
  std::size_t start = 0;
  while (start < name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    std::string problem = NameComponentProblem(name.substr(start, end - start));
    if (!problem.empty()) return problem;
    start = end + 1;
  }
  return "";
}

}  // namespace

std::string NameComponentProblem(std::string_view component) {
  if (component.empty()) return "an empty folder or file name";
  for (unsigned char c : component) {
    if (c < 0x20 || c >= 0x7F) return "a name outside printable ASCII, which the setup cannot write as given";
    if (kForbiddenCharacters.find(static_cast<char>(c)) != std::string_view::npos) {
      return "a character Windows does not allow in names";
    }
  }
  if (component.back() == '.' || component.back() == ' ') {
    return "a trailing dot or blank, which Windows drops";
  }
  if (IsDeviceName(component)) return "a device name reserved by Windows";
  return "";
}

void CheckPayloadNames(const std::vector<std::string>& names, std::vector<std::string>& problems) {
  for (const std::string& missing : MissingPayloadEntries(names)) {
    problems.push_back("missing: " + missing);
  }
  for (const std::string& name : names) {
    if (!IsSafeEntryName(name)) {
      problems.push_back("would leave the target folder: " + name);
      continue;
    }
    std::string problem = NameProblem(name);
    if (!problem.empty()) problems.push_back(problem + ": " + name);
  }
}
