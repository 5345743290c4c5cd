#include "rules/option_reader.h"

#include <cstring>

#include "rules/format_catalogue.h"
#include "rules/integration_texts.h"
#include "rules/text_rules.h"

void CopyCommandLine(const char* raw, char (&out)[kCommandLineSize]) {
  std::size_t length = strnlen(raw, kCommandLineSize - 1);
  std::memcpy(out, raw, length);
  out[length] = '\0';
}

bool ReadOptionValue(const char* command_line, const char* name, char* value) {
  const char* found = std::strstr(command_line, name);
  if (found == nullptr) return false;
  // The position is counted from the name's first character, so the value
  // holds at most kPathSize minus the name's length characters.
  std::size_t position = std::strlen(name);
  std::size_t length = 0;
  while (position < kPathSize && found[position] != '\0' && found[position] != '/') {
    value[length++] = found[position++];
  }
  value[length] = '\0';
  return true;
}

namespace {

void ReadNumber(const char* command_line, const char* name, int& field) {
  char value[kPathSize];
  if (ReadOptionValue(command_line, name, value)) field = ReadDecimal(value);
}

void ReadFolder(const char* command_line, const char* name, char* field) {
  char value[kPathSize];
  if (!ReadOptionValue(command_line, name, value)) return;
  UnquoteFolder(value);
  CopyBounded(field, kPathSize, value);
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

void ApplyCommandLineOptions(const char* command_line, InstallOptions& options) {
  ReadFolder(command_line, "/folder=", options.target_folder);
  ReadNumber(command_line, "/desktop=", options.desktop_shortcut);
  ReadNumber(command_line, "/thumbs=", options.thumbnails_shortcut);
  ReadNumber(command_line, "/group=", options.start_menu_shortcut);
  ReadNumber(command_line, "/allusers=", options.all_users);
  int selection = 0;
  ReadNumber(command_line, "/assoc=", selection);
  ApplyAssocSelection(selection, options);
  ReadFolder(command_line, "/ini=", options.ini_folder);
}

bool FolderFromOpenCommand(const char* command, char* out) {
  out[0] = '\0';
  if (std::strstr(command, kViewerFileName) == nullptr) return false;
  // The command normally starts with the quote around the viewer's path; a
  // hand-edited command without it starts with the path itself.
  const char* start = command[0] == '"' ? command + 1 : command;
  std::size_t path_length = std::strcspn(start, "\"");
  if (path_length >= kPathSize) return false;

  // Drive and directory as _splitpath gives them: an optional "X:" and
  // everything up to and including the last separator.
  std::size_t folder_length = path_length >= 2 && start[1] == ':' ? 2 : 0;
  for (std::size_t i = folder_length; i < path_length; ++i) {
    if (start[i] == '\\' || start[i] == '/') folder_length = i + 1;
  }
  // A relative or drive-relative folder ("C:p_mara64.exe") would depend on
  // the setup's current directory: no earlier installation to follow.
  if (folder_length == 0 || !IsAbsoluteFolder(std::string_view(start, folder_length))) {
    return false;
  }
  std::memcpy(out, start, folder_length);
  out[folder_length] = '\0';
  AppendBackslash(out);
  return true;
}
