#include "integration/install_folder.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "common/install_options.h"
#include "common/scoped_win.h"
#include "rules/integration_texts.h"
#include "rules/option_reader.h"
#include "rules/product_names.h"
#include "rules/text_rules.h"

namespace {

// Reads a value of HKEY_LOCAL_MACHINE in UTF-16 into value, at most
// kPathSize characters with the terminator. False when the key cannot be
// opened; the value then stays empty. read is the result of the read
// itself, type the value's type.
bool ReadMachineValue(const wchar_t* key_path, const wchar_t* name, std::wstring* value,
                      LONG& read, DWORD& type) {
  value->clear();
  type = REG_NONE;
  ScopedKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS) {
    return false;
  }
  // One more character than a read may fill, so that a value without its
  // terminator still ends in one.
  std::wstring buffer(kPathSize + 1, L'\0');
  DWORD size = kPathSize * sizeof(wchar_t);
  read = RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]),
                          &size);
  if (read == ERROR_SUCCESS) value->assign(buffer.c_str());
  return true;
}

}  // namespace

int FindPreviousInstallFolder(char* out) {
  out[0] = '\0';
  std::wstring command;
  LONG read = ERROR_SUCCESS;
  // Apart from REG_EXPAND_SZ the value's type is not checked: what counts is
  // whether a command naming the viewer came back. A value too long for the
  // buffer proposes nothing.
  DWORD type = REG_NONE;
  if (!ReadMachineValue(WideOf(GenericOpenCommandKeyPath(), CP_ACP).c_str(), nullptr, &command,
                        read, type) ||
      read != ERROR_SUCCESS || command.empty()) {
    return 0;
  }
  if (type == REG_EXPAND_SZ) {
    // The shell expands such a command before it runs it, and so does the
    // setup before it takes the folder; a variable it cannot expand leaves
    // a folder that is not absolute. An expansion longer than a path
    // proposes nothing.
    std::wstring expanded(kPathSize + 1, L'\0');
    const DWORD needed = ExpandEnvironmentStringsW(command.c_str(), &expanded[0],
                                                   static_cast<DWORD>(expanded.size()));
    if (needed == 0 || needed > kPathSize) return 0;
    command.assign(expanded.c_str());
  }
  // The setup writes the command in its own, exact ANSI form: one with a
  // character the code page lacks is not its own, and a look-alike of it
  // would name another folder.
  std::string exact;
  if (!ExactAnsiOf(command, &exact)) return 0;
  return FolderFromOpenCommand(exact.c_str(), out, CodePageCharacters::Of(SystemAnsiCodePage()))
             ? 1
             : 0;
}

int DefaultInstallFolder(char* out) {
  CopyBounded(out, kPathSize, (std::string("C:\\") + kProductFolderName + "\\").c_str());
  std::wstring wide;
  LONG read = ERROR_SUCCESS;
  DWORD type = REG_NONE;
  std::string program_files;
  if (!ReadMachineValue(L"Software\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir",
                        &wide, read, type) ||
      read != ERROR_SUCCESS || wide.empty() || !AnsiPathOf(wide.c_str(), &program_files)) {
    return 1;
  }
  char proposed[kPathSize];
  if (!CopyBounded(proposed, sizeof proposed, program_files)) return 1;
  AppendBackslash(proposed, CodePageCharacters::Of(SystemAnsiCodePage()));
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
