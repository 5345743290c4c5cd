#include "rules/environment_expansion.h"

#include <string>

#include "rules/text_rules.h"

namespace {

// Appends piece; false when the result would pass the limit.
bool Append(std::string& result, std::string_view piece, std::size_t limit) {
  if (piece.size() > limit - result.size()) return false;
  result.append(piece);
  return true;
}

// The variables Windows sets for each user from the profile.
constexpr std::string_view kUserVariables[] = {
    "APPDATA",  "LOCALAPPDATA", "USERPROFILE", "HOMEPATH", "HOMEDRIVE",        "HOMESHARE",
    "TEMP",     "TMP",          "USERNAME",    "ONEDRIVE", "ONEDRIVECONSUMER", "ONEDRIVECOMMERCIAL",
};

}  // namespace

bool RefersToUserProfile(std::string_view text) {
  // The references are found as ExpandReferences finds them: each '%'
  // opens a name that runs to the next '%' or to the end.
  std::size_t i = text.find('%');
  while (i != std::string_view::npos) {
    const std::size_t close = text.find('%', i + 1);
    const std::string_view name =
        text.substr(i + 1, (close == std::string_view::npos ? text.size() : close) - i - 1);
    for (std::string_view user_variable : kUserVariables) {
      if (EqualsIgnoringCase(name, user_variable)) return true;
    }
    if (close == std::string_view::npos) break;
    i = text.find('%', close + 1);
  }
  return false;
}

void ExpandReferences(std::string_view text, VariableSource& variables, char* result,
                      std::size_t result_size) {
  if (result_size == 0) return;
  result[0] = '\0';
  const std::size_t limit = result_size - 1 < kExpansionLimit ? result_size - 1 : kExpansionLimit;
  std::string expanded;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '%') {
      if (!Append(expanded, text.substr(i, 1), limit)) return;
      ++i;
      continue;
    }
    std::size_t close = text.find('%', i + 1);
    std::size_t end = close == std::string_view::npos ? text.size() : close;
    std::string name(text.substr(i + 1, end - i - 1));
    i = close == std::string_view::npos ? text.size() : close + 1;
    if (name.empty()) continue;
    char value[kExpansionLimit + 1];
    VariableSource::Found found = variables.Lookup(name.c_str(), value, sizeof value);
    // A value too long for its buffer cannot fit the result either, and a
    // folder without the value of an undefined variable is some other
    // folder (\settings at the root of the current drive).
    if (found != VariableSource::Found::kValue || !Append(expanded, value, limit)) return;
  }
  for (std::size_t k = 0; k < expanded.size(); ++k) result[k] = expanded[k];
  result[expanded.size()] = '\0';
}
