#include "rules/payload_rules.h"

#include <set>

#include "rules/integration_texts.h"
#include "rules/toolbar_skin_rules.h"

namespace {

std::string WithSlashes(std::string_view name) {
  std::string result(name);
  for (char& c : result) {
    if (c == '\\') c = '/';
  }
  return result;
}

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

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Windows opens a device for these names in any folder, with any extension
// and trailing dots or blanks ("nul", "Plugins/CON", "com1.png", "aux .txt"):
// no file would be written, and the journal would name a device.
bool IsDeviceName(std::string_view component) {
  std::string_view stem = component.substr(0, component.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  std::string lower;
  for (char c : stem) lower += LowerAscii(c);
  for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"}) {
    if (lower == device) return true;
  }
  return lower.size() == 4 && (lower.compare(0, 3, "com") == 0 || lower.compare(0, 3, "lpt") == 0) &&
         lower[3] >= '0' && lower[3] <= '9';
}

}  // namespace

bool IsSafeEntryName(std::string_view name) {
  if (name.empty()) return true;
  // Control characters, NUL among them, are no part of a Windows name.
  for (char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80 || static_cast<unsigned char>(c) < 0x20) {
      return false;
    }
  }
  if (name[0] == '/' || name[0] == '\\') return false;
  if (name.find(':') != std::string_view::npos) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view component = name.substr(start, end - start);
    if (IsParentComponent(component) || IsDeviceName(component)) return false;
    start = end + 1;
  }
  return true;
}

std::string FileSystemKey(std::string_view name, const CodePageCharacters& characters) {
  std::string key;
  key.reserve(name.size());
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t next = characters.Next(name, at);
    if (next - at > 1) {
      key.append(name.substr(at, next - at));
    } else if (name[at] == '\\') {
      key += '/';
    } else if (name[at] >= 'A' && name[at] <= 'Z') {
      key += static_cast<char>(name[at] - 'A' + 'a');
    } else {
      key += name[at];
    }
    at = next;
  }
  return key;
}

std::vector<std::string> RequiredPayloadEntries() {
  std::vector<std::string> required = {kViewerFileName, kUninstallerFileName};
  for (const DocumentLink& document : kDocumentLinks) {
    required.push_back(WithSlashes(document.file));
  }
  for (const ToolbarSkin& skin : kToolbarSkins) {
    required.push_back(std::string("Toolbars/") + skin.skin);
  }
  return required;
}

std::vector<std::string> MissingPayloadEntries(const std::vector<std::string>& entry_names) {
  // The required names are ASCII: a name with any other byte is none of
  // them, however its bytes are read.
  const CodePageCharacters bytes = CodePageCharacters::SingleByte();
  std::set<std::string> present;
  for (const std::string& name : entry_names) present.insert(FileSystemKey(name, bytes));
  std::vector<std::string> missing;
  for (const std::string& required : RequiredPayloadEntries()) {
    if (present.count(FileSystemKey(required, bytes)) == 0) missing.push_back(required);
  }
  return missing;
}

PayloadNameKind PayloadNameOf(std::string_view relative,
                              const std::vector<std::string>& entry_names) {
  if (relative.empty()) return PayloadNameKind::kNone;
  for (char c : relative) {
    if (static_cast<unsigned char>(c) >= 0x80) return PayloadNameKind::kNone;
  }
  // ASCII alone: every byte is a character of its own in any code page.
  const CodePageCharacters ascii = CodePageCharacters::SingleByte();
  const std::string key = FileSystemKey(relative, ascii);
  PayloadNameKind kind = PayloadNameKind::kNone;
  for (const std::string& entry : entry_names) {
    const std::string entry_key = FileSystemKey(entry, ascii);
    if (!EntryNamePart(entry).empty() && entry_key == key) return PayloadNameKind::kFile;
    if (entry_key.size() > key.size() && entry_key.compare(0, key.size(), key) == 0 &&
        entry_key[key.size()] == '/') {
      kind = PayloadNameKind::kFolder;
    }
  }
  return kind;
}

std::string_view EntryNamePart(std::string_view name) {
  std::size_t last = name.find_last_of("/\\");
  return last == std::string_view::npos ? name : name.substr(last + 1);
}

bool BuildTempFilePath(std::string_view temp_folder, std::string_view file_name, char* path,
                       std::size_t path_size, const CodePageCharacters& characters) {
  if (path_size == 0) return false;
  path[0] = '\0';
  if (temp_folder.empty()) return false;
  bool needs_backslash = !characters.EndsWith(temp_folder, '\\');
  std::size_t length = temp_folder.size() + (needs_backslash ? 1 : 0) + file_name.size();
  if (length >= path_size) return false;
  char* out = path;
  for (char c : temp_folder) *out++ = c;
  if (needs_backslash) *out++ = '\\';
  for (char c : file_name) *out++ = c;
  *out = '\0';
  return true;
}
