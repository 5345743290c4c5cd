#include "wizard/folder_browser.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "common/ansi_path.h"
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
  const std::wstring wide = WideOf(folder, CP_ACP);
  SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
  return 0;
}

// In UTF-16: the chosen folder becomes the setup's ANSI form exactly (its
// short name where the code page lacks a character), never a look-alike.
int BrowseForFolder(HWND owner, char* path) {
  std::string prompt = LoadMessage(IDS_TARGET_FOLDER_PROMPT);
  if (prompt.size() > 49) prompt.resize(49);
  const std::wstring wide_prompt = OwnText(prompt);
  wchar_t display_name[MAX_PATH] = L"";

  BROWSEINFOW info = {};
  info.hwndOwner = owner;
  info.pszDisplayName = display_name;
  info.lpszTitle = wide_prompt.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(path);

  // The shell's dialog needs COM on this thread.
  ScopedCom com;
  int chosen = 0;
  ScopedCoTaskMemory<LPITEMIDLIST> item(SHBrowseForFolderW(&info));
  if (item) {
    wchar_t folder[MAX_PATH] = L"";
    std::string exact;
    if (!SHGetPathFromIDListW(item.Get(), folder)) return 0;
    if (!AnsiPathOf(folder, &exact)) {
      ShowMessage(owner, IDS_NAME_BEYOND_CODE_PAGE, MB_ICONERROR);
    } else if (CopyBounded(path, kPathSize, exact)) {
      AppendBackslash(path);
      chosen = 1;
    }
  }
  return chosen;
}
