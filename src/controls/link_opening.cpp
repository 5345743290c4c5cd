#include "controls/link_opening.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/ansi_path.h"
#include "common/desktop_start.h"
#include "common/install_options.h"
#include "common/messages.h"
#include "common/scoped_win.h"
#include "resources/resource.h"
#include "rules/control_rules.h"
#include "rules/text_rules.h"

namespace {

// The unnamed value of a key under HKEY_CLASSES_ROOT, at most 260 bytes.
// Read in UTF-16: a program's path the code page cannot hold has no exact
// form, and its look-alike would start another program.
bool ReadClassesValue(const char* key_name, char* value) {
  ScopedKey key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key_name, 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS) {
    return false;
  }
  wchar_t wide[kPathSize] = L"";
  LONG size = static_cast<LONG>(sizeof wide);
  if (RegQueryValueW(key.Get(), nullptr, wide, &size) != ERROR_SUCCESS) return false;
  wide[kPathSize - 1] = L'\0';
  std::string exact;
  // A command cut short would start another program, or none.
  if (!ExactAnsiOf(wide, &exact)) return false;
  return CopyBounded(value, kPathSize, exact);
}

// Instead of a browser with the setup's rights: the address, to be
// opened by the user.
void ShowAddressInstead(const char* address) {
  ShowTextBox(GetActiveWindow(), FillPlaceholders(LoadMessage(IDS_LICENCE_ADDRESS), "%s", {address}),
              MB_ICONINFORMATION);
}

}  // namespace

int OpenLinkAddress(const char* address, int show_command) {
  // The elevated setup has the desktop's shell open the address, so that
  // the browser runs as the user; where none answers it shows the address.
  switch (StartAsDesktopUser(address, nullptr, nullptr, show_command)) {
    case StartedBy::kDesktopShell:
    case StartedBy::kThisProcess:
      return kLinkOpened;
    case StartedBy::kWithheld:
      ShowAddressInstead(address);
      return kLinkAddressShown;
    case StartedBy::kNothing:
      break;
  }
  // Not elevated, and the shell would not open it: the ".htm" handler's
  // command line.
  char key_name[kPathSize] = "";
  if (!ReadClassesValue(".htm", key_name)) return kLinkNotOpened;
  if (!AppendBounded(key_name, sizeof key_name, "\\shell\\open\\command")) return kLinkNotOpened;
  char command[kPathSize] = "";
  if (!ReadClassesValue(key_name, command)) return kLinkNotOpened;
  const std::string command_line = LinkCommandLine(command, address);
  return static_cast<int>(WinExec(command_line.c_str(), static_cast<UINT>(show_command)));
}
