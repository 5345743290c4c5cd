#include "wizard/folder_browser.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "common/install_options.h"
#include "common/messages.h"
#include "common/scoped_win.h"
#include "rules/text_rules.h"

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message != BFFM_INITIALIZED) return 0;
  char folder[kPathSize] = "";
  CopyBounded(folder, sizeof folder, reinterpret_cast<const char*>(data));
  const std::size_t length = std::strlen(folder);
  // The dialog finds "C:\Apps" but not "C:\Apps\"; a drive root keeps it.
  if (length > 3 && folder[length - 1] == '\\') folder[length - 1] = '\0';
  SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder));
  return 0;
}

int BrowseForFolder(HWND owner, char* path) {
  std::string prompt = LoadMessage(IDS_TARGET_FOLDER_PROMPT);
  if (prompt.size() > 49) prompt.resize(49);
  char display_name[MAX_PATH] = "";

  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pszDisplayName = display_name;
  info.lpszTitle = prompt.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(path);

  // The shell's dialog needs COM on this thread.
  ScopedCom com;
  int chosen = 0;
  ScopedCoTaskMemory<LPITEMIDLIST> item(SHBrowseForFolderA(&info));
  if (item) {
    char folder[MAX_PATH] = "";
    if (SHGetPathFromIDListA(item.Get(), folder) && CopyBounded(path, kPathSize, folder)) {
      AppendBackslash(path);
      chosen = 1;
    }
  }
  return chosen;
}
