#include "engine/install_folder.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "common/install_options.h"
#include "common/scoped_win.h"
#include "rules/integration_texts.h"
#include "rules/option_reader.h"
#include "rules/product_names.h"
#include "rules/text_rules.h"

namespace {

// Reads a value of HKEY_LOCAL_MACHINE into value (kPathSize + 1 bytes: one
// more than a read may fill, so that a 260-byte value without terminator
// still ends in one). False when the key cannot be opened; the value then
// stays empty. read is the result of the read itself, type the value's type.
bool ReadMachineValue(const char* key_path, const char* name, char* value, LONG& read,
                      DWORD& type) {
  value[0] = '\0';
  type = REG_NONE;
  ScopedKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS) {
    return false;
  }
  DWORD size = kPathSize;
  read = RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  value[kPathSize] = '\0';
  return true;
}

}  // namespace

int FindPreviousInstallFolder(char* out) {
  out[0] = '\0';
  char command[kPathSize + 1];
  LONG read = ERROR_SUCCESS;
  // Apart from REG_EXPAND_SZ the value's type is not checked: what counts is
  // whether a command naming the viewer came back. A value too long for the
  // buffer leaves its contents undefined, so it proposes nothing.
  DWORD type = REG_NONE;
  if (!ReadMachineValue(GenericOpenCommandKeyPath().c_str(), nullptr, command, read, type) ||
      read == ERROR_MORE_DATA || command[0] == '\0') {
    return 0;
  }
  if (type != REG_EXPAND_SZ) return FolderFromOpenCommand(command, out) ? 1 : 0;
  // The shell expands such a command before it runs it, and so does the
  // setup before it takes the folder; a variable it cannot expand leaves a
  // folder that is not absolute. The ANSI form may ask for one byte more
  // than the result; an expansion longer than a path proposes nothing.
  char expanded[kPathSize + 1];
  DWORD needed = ExpandEnvironmentStringsA(command, expanded, sizeof expanded);
  if (needed == 0 || needed > sizeof expanded || strnlen(expanded, sizeof expanded) >= kPathSize) {
    return 0;
  }
  return FolderFromOpenCommand(expanded, out) ? 1 : 0;
}

int DefaultInstallFolder(char* out) {
  CopyBounded(out, kPathSize, (std::string("C:\\") + kProductFolderName + "\\").c_str());
  char program_files[kPathSize + 1];
  LONG read = ERROR_SUCCESS;
  DWORD type = REG_NONE;
  if (!ReadMachineValue("Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                        program_files, read, type) ||
      read != ERROR_SUCCESS || program_files[0] == '\0') {
    return 1;
  }
  char proposed[kPathSize];
  if (!CopyBounded(proposed, sizeof proposed, program_files)) return 1;
  AppendBackslash(proposed);
  // A Program Files path too long for the folder keeps the fallback.
  if (AppendBounded(proposed, sizeof proposed, kProductFolderName)) {
    CopyBounded(out, kPathSize, proposed);
  }
  return 1;
}

int ProposeTargetFolder(char* out) {
  if (FindPreviousInstallFolder(out)) return 1;
  DefaultInstallFolder(out);
  return 0;
}
