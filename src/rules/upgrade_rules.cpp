#include "rules/upgrade_rules.h"

#include "rules/payload_rules.h"

namespace {

constexpr char kFreshPrefix = '~';
constexpr std::string_view kFreshSuffix = ".pm";
constexpr std::size_t kFreshHexDigits = 8;
constexpr std::string_view kPrivateTempPrefix = "pmarag-";
constexpr std::size_t kPrivateTempHexDigits = 16;
constexpr char kJournalSeparator = '|';

bool IsHexDigits(std::string_view text) {
  for (char c : text) {
    bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex) return false;
  }
  return true;
}

// Eight lower-case hex digits of number.
std::string HexDigits(unsigned number) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string digits(8, '0');
  for (int i = 7; i >= 0; --i, number >>= 4) digits[static_cast<std::size_t>(i)] = kDigits[number & 0xf];
  return digits;
}

}  // namespace

std::string FreshFileName(unsigned number) {
  return kFreshPrefix + HexDigits(number) + std::string(kFreshSuffix);
}

std::string PrivateTempFolderName(unsigned high, unsigned low) {
  return std::string(kPrivateTempPrefix) + HexDigits(high) + HexDigits(low);
}

bool IsFreshFileName(std::string_view name_part) {
  return name_part.size() == kFreshNameLength && name_part[0] == kFreshPrefix &&
         IsHexDigits(name_part.substr(1, kFreshHexDigits)) &&
         name_part.substr(1 + kFreshHexDigits) == kFreshSuffix;
}

std::string_view EntryFolderPart(std::string_view name) {
  return name.substr(0, name.size() - EntryNamePart(name).size());
}

bool IsPrivateTempFolderName(std::string_view name) {
  return name.size() == kPrivateTempPrefix.size() + kPrivateTempHexDigits &&
         name.substr(0, kPrivateTempPrefix.size()) == kPrivateTempPrefix &&
         IsHexDigits(name.substr(kPrivateTempPrefix.size()));
}

std::string FormatJournalLine(std::string_view staged, std::string_view name) {
  std::string line(staged);
  line += kJournalSeparator;
  line += name;
  line += '\n';
  return line;
}

bool ParseJournalLine(std::string_view line, std::string* staged, std::string* name) {
  std::size_t separator = line.find(kJournalSeparator);
  if (separator == std::string_view::npos) return false;
  std::string_view staged_part = line.substr(0, separator);
  std::string_view name_part = line.substr(separator + 1);
  if (name_part.empty() || EntryNamePart(name_part).empty() || !IsSafeEntryName(name_part)) {
    return false;
  }
  std::string_view folder = EntryFolderPart(name_part);
  if (staged_part.size() != folder.size() + kFreshNameLength ||
      staged_part.substr(0, folder.size()) != folder ||
      !IsFreshFileName(staged_part.substr(folder.size()))) {
    return false;
  }
  for (char c : line) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  staged->assign(staged_part);
  name->assign(name_part);
  return true;
}
