#include "rules/payload_rules.h"

namespace {

bool IsParentComponent(std::string_view component) {
  std::size_t dots = 0;
  for (char c : component) {
    if (c == '.') {
      ++dots;
    } else if (c != ' ') {
      return false;
    }
  }
  return dots >= 2;
}

}  // namespace

bool IsSafeEntryName(std::string_view name) {
  if (name.empty()) return true;
  if (name[0] == '/' || name[0] == '\\') return false;
  if (name.find(':') != std::string_view::npos) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    if (IsParentComponent(name.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

std::string_view EntryNamePart(std::string_view name) {
  std::size_t last = name.find_last_of("/\\");
  return last == std::string_view::npos ? name : name.substr(last + 1);
}

bool BuildTempFilePath(std::string_view temp_folder, std::string_view file_name, char* path,
                       std::size_t path_size) {
  if (path_size == 0) return false;
  path[0] = '\0';
  if (temp_folder.empty()) return false;
  bool needs_backslash = temp_folder.back() != '\\';
  std::size_t length = temp_folder.size() + (needs_backslash ? 1 : 0) + file_name.size();
  if (length >= path_size) return false;
  char* out = path;
  for (char c : temp_folder) *out++ = c;
  if (needs_backslash) *out++ = '\\';
  for (char c : file_name) *out++ = c;
  *out = '\0';
  return true;
}
