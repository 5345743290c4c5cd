#include "wizard/folder_browser.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "common/install_options.h"
#include "common/messages.h"
#include "common/scoped_win.h"
#include "rules/code_page_characters.h"
#include "rules/text_rules.h"

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message != BFFM_INITIALIZED) return 0;
  // The dialog finds "C:\Apps" but not "C:\Apps\"; a drive root keeps it.
  // In UTF-16, where a backslash is never the end of another character.
  std::wstring wide = WideOf(reinterpret_cast<const char*>(data), CP_ACP);
  if (wide.size() > 3 && wide.back() == L'\\') wide.pop_back();
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
      AppendBackslash(path, CodePageCharacters::Of(SystemAnsiCodePage()));
      chosen = 1;
    }
  }
  return chosen;
}
