#include "rules/text_rules.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <utility>

bool CopyBounded(char* dest, std::size_t dest_size, std::string_view src) {
  if (dest_size == 0 || src.size() >= dest_size) return false;
  std::memcpy(dest, src.data(), src.size());
  dest[src.size()] = '\0';
  return true;
}

bool AppendBounded(char* dest, std::size_t dest_size, std::string_view src) {
  std::size_t length = strnlen(dest, dest_size);
  if (length >= dest_size || src.size() >= dest_size - length) return false;
  std::memcpy(dest + length, src.data(), src.size());
  dest[length + src.size()] = '\0';
  return true;
}

void AppendBackslash(char* path, const CodePageCharacters& characters) {
  const std::size_t length = std::strlen(path);
  if (characters.EndsWith(std::string_view(path, length), '\\') || length > 258) return;
  path[length] = '\\';
  path[length + 1] = '\0';
}


namespace {

void TrimTrailingBlanks(char* text) {
  std::size_t length = std::strlen(text);
  while (length > 0 && text[length - 1] == ' ') text[--length] = '\0';
}

}  // namespace

void TrimBlanks(char* path) {
  TrimTrailingBlanks(path);
  std::size_t length = std::strlen(path);
  if (path[0] != ' ' || length >= 260) return;
  std::size_t skip = 0;
  while (path[skip] == ' ') ++skip;
  std::memmove(path, path + skip, length - skip + 1);
}

bool StartsWithDriveRoot(std::string_view text) {
  if (text.size() < 3 || text[1] != ':' || text[2] != '\\') return false;
  const char drive = text[0];
  return (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
}

bool IsAbsoluteFolder(std::string_view folder) {
  const std::size_t first = folder.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  folder.remove_prefix(first);
  return StartsWithDriveRoot(folder) || folder.substr(0, 2) == "\\\\";
}

bool HoldsControlCharacter(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return false;
}

bool IsUsableSettingsFolder(std::string_view expanded) {
  if (HoldsControlCharacter(expanded)) return false;
  return expanded.find_first_not_of(' ') == std::string_view::npos || IsAbsoluteFolder(expanded);
}

std::string_view UnquotedFolder(std::string_view value) {
  auto trimmed = [](std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
  };
  value = trimmed(value);
  if (!value.empty() && value.back() == '"') value.remove_suffix(1);
  if (!value.empty() && value.front() == '"') value.remove_prefix(1);
  return trimmed(value);
}

void UnquoteFolder(char* path) {
  const std::string_view value = UnquotedFolder(path);
  std::memmove(path, value.data(), value.size());
  path[value.size()] = '\0';
}

int ReadDecimal(const char* text) {
  const char* at = text;
  while (*at == ' ' || (*at >= '\t' && *at <= '\r')) ++at;
  bool negative = false;
  if (*at == '+' || *at == '-') negative = (*at++ == '-');
  long long value = 0;
  for (; *at >= '0' && *at <= '9'; ++at) {
    value = value * 10 + (*at - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) return value > INT_MAX ? INT_MIN : static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::string FillPlaceholders(std::string text, std::string_view placeholder,
                             const std::vector<std::string>& values) {
  std::size_t from = 0;
  for (const std::string& value : values) {
    const std::size_t found = text.find(placeholder, from);
    if (found == std::string::npos) break;
    text.replace(found, placeholder.size(), value);
    from = found + value.size();
  }
  return text;
}

std::string FillNumbers(std::string text, std::initializer_list<unsigned long long> numbers) {
  std::vector<std::string> digits;
  for (unsigned long long number : numbers) digits.push_back(std::to_string(number));
  return FillPlaceholders(std::move(text), "%d", digits);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}
