#include "controls/link_opening.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/desktop_start.h"
#include "common/install_options.h"
#include "common/scoped_win.h"
#include "rules/control_rules.h"
#include "rules/text_rules.h"

namespace {

// The unnamed value of a key under HKEY_CLASSES_ROOT, at most 260 bytes.
bool ReadClassesValue(const char* key_name, char* value) {
  ScopedKey key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key_name, 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS) {
    return false;
  }
  LONG size = static_cast<LONG>(kPathSize);
  LONG read = RegQueryValueA(key.Get(), nullptr, value, &size);
  value[kPathSize - 1] = '\0';
  return read == ERROR_SUCCESS;
}

}  // namespace

int OpenLinkAddress(const char* address, int show_command) {
  // The elevated setup has the desktop's shell open the address, so that
  // the browser runs as the user and not as administrator.
  constexpr int kOpenedThroughDesktop = 33;
  if (StartThroughDesktopShell(address, nullptr, nullptr, show_command)) {
    return kOpenedThroughDesktop;
  }
  const int shell_result = static_cast<int>(reinterpret_cast<INT_PTR>(
      ShellExecuteA(GetDesktopWindow(), "open", address, nullptr, nullptr, show_command)));
  if (shell_result > 32) return shell_result;

  char key_name[kPathSize] = "";
  if (!ReadClassesValue(".htm", key_name)) return shell_result;
  if (!AppendBounded(key_name, sizeof key_name, "\\shell\\open\\command")) return shell_result;
  char command[kPathSize] = "";
  if (!ReadClassesValue(key_name, command)) return shell_result;
  const std::string command_line = LinkCommandLine(command, address);
  return static_cast<int>(WinExec(command_line.c_str(), static_cast<UINT>(show_command)));
}
