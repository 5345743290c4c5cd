#include "rules/option_reader.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "rules/format_catalogue.h"
#include "rules/integration_texts.h"
#include "rules/text_rules.h"

void CopyCommandLine(const char* raw, char (&out)[kCommandLineSize]) {
  std::size_t length = strnlen(raw, kCommandLineSize - 1);
  std::memcpy(out, raw, length);
  out[length] = '\0';
}

namespace {

// Where the reader stops in found (the option name's first character): at
// the first '/' or the end after the name, and no further than kPathSize.
std::size_t ValueEnd(const char* found, std::size_t name_length) {
  std::size_t position = name_length;
  while (position < kPathSize && found[position] != '\0' && found[position] != '/') ++position;
  return position;
}

}  // namespace

bool ReadOptionValue(const char* command_line, const char* name, char* value) {
  const char* found = std::strstr(command_line, name);
  if (found == nullptr) return false;
  // The position is counted from the name's first character, so the value
  // holds at most kPathSize minus the name's length characters.
  const std::size_t name_length = std::strlen(name);
  const std::size_t length = ValueEnd(found, name_length) - name_length;
  std::memcpy(value, found + name_length, length);
  value[length] = '\0';
  return true;
}

bool FolderValueSpan(const char* command_line, const char* name, ValueSpan* span) {
  *span = ValueSpan();
  const char* found = std::strstr(command_line, name);
  if (found == nullptr) return false;
  const std::size_t name_length = std::strlen(name);
  const std::string_view value = UnquotedFolder(
      std::string_view(found + name_length, ValueEnd(found, name_length) - name_length));
  span->begin = static_cast<std::size_t>(value.data() - command_line);
  span->end = span->begin + value.size();
  return true;
}

bool OptionValueIsCut(const char* command_line, const char* name, bool line_was_cut) {
  const char* found = std::strstr(command_line, name);
  if (found == nullptr) return false;
  const std::size_t end = ValueEnd(found, std::strlen(name));
  return end == kPathSize || (line_was_cut && found[end] == '\0');
}

namespace {

void ReadNumber(const char* command_line, const char* name, int& field) {
  char value[kPathSize];
  if (ReadOptionValue(command_line, name, value)) field = ReadDecimal(value);
}

bool ReadFolder(const char* command_line, const char* name, char* field) {
  char value[kPathSize];
  if (!ReadOptionValue(command_line, name, value)) return false;
  UnquoteFolder(value);
  CopyBounded(field, kPathSize, value);
  return true;
}

void ApplyAssocSelection(int selection, InstallOptions& options) {
  if (selection != 1 && selection != 2) return;
  options.associate = 1;
  if (selection == 1) {
    SelectImagesOnly(options.association_marks);
  } else {
    SelectAll(options.association_marks);
  }
}

}  // namespace

bool ApplyCommandLineOptions(const char* command_line, InstallOptions& options) {
  const bool folder_given = ReadFolder(command_line, kFolderOption, options.target_folder);
  ReadNumber(command_line, kDesktopOption, options.desktop_shortcut);
  ReadNumber(command_line, kThumbsOption, options.thumbnails_shortcut);
  ReadNumber(command_line, kGroupOption, options.start_menu_shortcut);
  ReadNumber(command_line, kAllUsersOption, options.all_users);
  int selection = 0;
  ReadNumber(command_line, kAssocOption, selection);
  ApplyAssocSelection(selection, options);
  ReadFolder(command_line, kIniOption, options.ini_folder);
  return folder_given;
}

namespace {

// Every name the setup reads from its command line; the switches without a
// value are searched for the same way.
constexpr const char* kKnownOptions[] = {
    kSilentSwitch, "/?",         "/help",      kFolderOption, kDesktopOption, kThumbsOption,
    kGroupOption,  kAllUsersOption, kAssocOption, kIniOption,    kLogOption};

// The end of the program path: a quoted path runs to its closing quote,
// another one to the first blank, the way Windows splits a command line.
std::size_t ProgramPathEnd(std::string_view line) {
  if (!line.empty() && line[0] == '"') {
    std::size_t quote = line.find('"', 1);
    return quote == std::string_view::npos ? line.size() : quote + 1;
  }
  std::size_t blank = line.find_first_of(" \t");
  return blank == std::string_view::npos ? line.size() : blank;
}

void AddTrimmed(std::string_view text, std::vector<std::string>& out) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return;
  std::size_t last = text.find_last_not_of(" \t");
  out.emplace_back(text.substr(first, last - first + 1));
}

}  // namespace

std::vector<std::string> UnreadCommandLineText(const char* command_line) {
  const std::string_view line(command_line);
  std::vector<bool> read(line.size(), false);
  std::fill(read.begin(), read.begin() + static_cast<std::ptrdiff_t>(ProgramPathEnd(line)), true);
  auto mark_read = [&](const char* from, std::size_t length) {
    const auto start = read.begin() + (from - command_line);
    std::fill(start, start + static_cast<std::ptrdiff_t>(length), true);
  };
  for (const char* name : kKnownOptions) {
    const std::size_t name_length = std::strlen(name);
    const char* found = std::strstr(command_line, name);
    if (name[name_length - 1] != '=') {
      // A switch counts wherever it stands, as often as it stands.
      for (; found != nullptr; found = std::strstr(found + 1, name)) mark_read(found, name_length);
    } else if (found != nullptr) {
      // Only the first occurrence of an option with a value is read.
      mark_read(found, ValueEnd(found, name_length));
    }
  }
  std::vector<std::string> unread;
  std::size_t at = 0;
  while (at < line.size()) {
    if (read[at]) {
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < line.size() && !read[end]) ++end;
    AddTrimmed(line.substr(at, end - at), unread);
    at = end;
  }
  return unread;
}

namespace {

// "/?" whose "?" was typed as one: a character the code page lacks also
// reads as "?", and asks for nothing.
bool HasExactUsageSwitch(std::string_view raw, const std::vector<bool>* inexact) {
  for (std::size_t at = raw.find("/?"); at != std::string_view::npos;
       at = raw.find("/?", at + 1)) {
    const std::size_t mark = at + 1;
    if (inexact == nullptr || mark >= inexact->size() || !(*inexact)[mark]) return true;
  }
  return false;
}

}  // namespace

StartRequest ReadStartRequest(const char* raw_command_line, const std::vector<bool>* inexact) {
  StartRequest request;
  request.raw = raw_command_line;
  CopyCommandLine(raw_command_line, request.command_line);
  request.line_cut = request.raw.size() >= kCommandLineSize;
  if (request.raw.find(kSilentSwitch) != std::string::npos) {
    request.mode = StartMode::kSilent;
  } else if (HasExactUsageSwitch(request.raw, inexact) ||
             request.raw.find("/help") != std::string::npos) {
    request.mode = StartMode::kUsageText;
  }
  const char* line = request.command_line;
  request.log_asked = ReadOptionValue(line, kLogOption, request.log_value);
  if (request.log_asked) UnquoteFolder(request.log_value);
  request.log_value_cut = OptionValueIsCut(line, kLogOption, request.line_cut);
  request.folder_given = ApplyCommandLineOptions(line, request.options);
  request.folder_value_cut = OptionValueIsCut(line, kFolderOption, request.line_cut);
  request.ini_value_cut = OptionValueIsCut(line, kIniOption, request.line_cut);
  request.unread = UnreadCommandLineText(line);
  FolderValueSpan(line, kLogOption, &request.log_span);
  FolderValueSpan(line, kFolderOption, &request.folder_span);
  FolderValueSpan(line, kIniOption, &request.ini_span);
  return request;
}

namespace {

// The program an open command starts, when it is the viewer: a quoted path
// runs to its closing quote and is followed by the end or a blank, an
// unquoted one runs to the first blank. Empty for any other command: one that
// starts "p_mara64.exe.old" or merely names the viewer among its arguments.
std::string_view ViewerProgramOf(std::string_view command, const CodePageCharacters& characters) {
  const std::string_view name = kViewerFileName;
  std::string_view path;
  if (!command.empty() && command[0] == '"') {
    // A quote is never part of a longer character.
    const std::size_t close = command.find('"', 1);
    const std::size_t after = close + 1;
    if (close == std::string_view::npos ||
        (after < command.size() && command[after] != ' ' && command[after] != '\t')) {
      return {};
    }
    path = command.substr(1, close - 1);
  } else {
    // Windows tries an unquoted program up to its first blank first.
    path = command.substr(0, std::min(command.find_first_of(" \t"), command.size()));
  }
  // The path's last level is the viewer's name, whole.
  if (path.size() <= name.size() || path.substr(path.size() - name.size()) != name) return {};
  const std::size_t separator = characters.FindLastOf(path, "\\/");
  if (separator == std::string_view::npos || separator + 1 != path.size() - name.size()) return {};
  return path;
}

}  // namespace

bool FolderFromOpenCommand(const char* command, char* out, const CodePageCharacters& characters) {
  out[0] = '\0';
  const std::string_view path = ViewerProgramOf(command, characters);
  if (path.empty() || path.size() >= kPathSize) return false;
  const std::size_t folder_length = path.size() - std::strlen(kViewerFileName);
  // A relative folder would depend on the setup's current directory: no
  // earlier installation to follow.
  if (!IsAbsoluteFolder(path.substr(0, folder_length))) return false;
  std::memcpy(out, path.data(), folder_length);
  out[folder_length] = '\0';
  AppendBackslash(out, characters);
  return true;
}

bool WantsUsageText(const char* raw_command_line) {
  return ReadStartRequest(raw_command_line).mode == StartMode::kUsageText;
}
