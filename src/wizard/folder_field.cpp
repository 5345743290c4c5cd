#include "wizard/folder_field.h"

#include <string>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "common/install_options.h"
#include "rules/code_page_characters.h"
#include "rules/text_rules.h"

void MakeFolderFieldUnicode(HWND page, int id) {
  HWND field = GetDlgItem(page, id);
  if (field == nullptr || IsWindowUnicode(field)) return;
  RECT place;
  GetWindowRect(field, &place);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&place), 2);
  HWND unicode = CreateWindowExW(
      static_cast<DWORD>(GetWindowLongPtrW(field, GWL_EXSTYLE)), L"EDIT", L"",
      static_cast<DWORD>(GetWindowLongPtrW(field, GWL_STYLE)), place.left, place.top,
      place.right - place.left, place.bottom - place.top, page,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (unicode == nullptr) return;
  SendMessageW(unicode, WM_SETFONT, SendMessageW(field, WM_GETFONT, 0, 0), FALSE);
  // Right behind the old field: the tab order stays.
  SetWindowPos(unicode, field, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  DestroyWindow(field);
}

bool ReadFolderField(HWND page, int id, char* folder) {
  folder[0] = '\0';
  HWND field = GetDlgItem(page, id);
  if (field == nullptr) return true;
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
  std::string exact;
  if (!AnsiPathOf(text.c_str(), &exact)) return false;
  // As the field read before: a longer text is cut, and the folder rules
  // then judge what is left; a character is never cut in two.
  if (exact.size() >= kPathSize) {
    exact.resize(CodePageCharacters::Of(SystemAnsiCodePage()).WholeLength(exact, kPathSize - 1));
  }
  CopyBounded(folder, kPathSize, exact);
  return true;
}
