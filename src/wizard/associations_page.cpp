// What the wizard's page class does while the associations page is active:
// the checked list of the catalogue's formats and its three mark buttons.
// The marks are read when the installation starts.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "common/ansi_path.h"
#include "common/screen_scale.h"
#include "resources/resource.h"
#include "rules/format_catalogue.h"
#include "rules/wizard_choices.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"

namespace {

// State images of a list item with a check box.
constexpr UINT kUncheckedState = INDEXTOSTATEIMAGEMASK(1);
constexpr UINT kCheckedState = INDEXTOSTATEIMAGEMASK(2);

constexpr int kScrollBarRoom = 25;  // pixels at 96 DPI

int ItemCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

// The column headers name the columns for a screen reader, where the list
// shows them; a list without headers keeps empty ones.
const char* const kColumnHeadings[] = {"Format", "Beschreibung"};

void InsertColumn(HWND list, int subitem, int width) {
  const bool headers_shown = (GetWindowLongA(list, GWL_STYLE) & LVS_NOCOLUMNHEADER) == 0;
  // The list view copies the texts; it only takes them as non-const.
  std::wstring text = headers_shown ? OwnText(kColumnHeadings[subitem]) : std::wstring();
  LVCOLUMNW column = {};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = text.data();
  column.iSubItem = subitem;
  SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(subitem),
               reinterpret_cast<LPARAM>(&column));
}

}  // namespace

void CWizPropertyPage::ActivateAssociationsPage() {
  // The all-users choice of old systems is never offered.
  ShowWindow(GetDlgItem(m_hWnd, IDC_ALL_USERS_XP), SW_HIDE);
  if (sheet->format_list != nullptr) return;  // filled once; the marks stay

  HWND list = GetDlgItem(m_hWnd, IDC_FORMAT_LIST);
  sheet->format_list = list;
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  RECT rect = {};
  GetWindowRect(list, &rect);
  const int width = rect.right - rect.left;
  InsertColumn(list, 0, width / 3);
  // The second column leaves room for the vertical scroll bar.
  InsertColumn(list, 1, 2 * width / 3 - ScaleToScreen(kScrollBarRoom));
  for (int row = 0; row < kFormatCount; ++row) {
    InsertFormatRow(row, FormatCatalogue[row].list_text, FormatCatalogue[row].description);
  }
  // The first row has the focus, not the selection: tabbing into the list
  // shows where the keyboard is, and Space ticks that row at once.
  LVITEMA focus = {};
  focus.stateMask = LVIS_FOCUSED;
  focus.state = LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focus));
}

void CWizPropertyPage::InsertFormatRow(int item, const char* list_text, const char* description) {
  HWND list = sheet->format_list;
  // The catalogue's texts are the setup's own (code page 1252). The list
  // view copies them; it only takes them as non-const.
  std::wstring text = OwnText(list_text);
  LVITEMW row = {};
  row.mask = LVIF_TEXT;
  row.iItem = item;
  row.iSubItem = 0;
  row.pszText = text.data();
  row.cchTextMax = static_cast<int>(text.size() + 1);
  const auto inserted =
      static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row)));
  if (inserted < 0) return;

  std::wstring second = OwnText(description);
  LVITEMW subitem = {};
  subitem.iSubItem = 1;
  subitem.pszText = second.data();
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(inserted),
               reinterpret_cast<LPARAM>(&subitem));
}

void CWizPropertyPage::SetAllMarks(int first, int end, UINT state) {
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = state;
  for (int i = first; i < end; ++i) {
    SendMessageA(sheet->format_list, LVM_SETITEMSTATE, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(&item));
  }
}

LRESULT CWizPropertyPage::MarkAll(WPARAM, LPARAM) {
  SetAllMarks(0, ItemCount(sheet->format_list), kCheckedState);
  return 0;
}

LRESULT CWizPropertyPage::MarkNone(WPARAM, LPARAM) {
  SetAllMarks(0, ItemCount(sheet->format_list), kUncheckedState);
  return 0;
}

LRESULT CWizPropertyPage::MarkImagesOnly(WPARAM, LPARAM) {
  const int count = ItemCount(sheet->format_list);
  const int images = count < kImageFormatCount ? count : kImageFormatCount;
  SetAllMarks(0, images, kCheckedState);
  SetAllMarks(images, count, kUncheckedState);
  return 0;
}

void CWizPropertyPage::ReadAssociationMarks(InstallOptions& options) const {
  // A list that was never shown has no items: no marks.
  HWND list = sheet->format_list;
  const int count = list != nullptr ? ItemCount(list) : 0;
  std::vector<unsigned> states;
  for (int i = 0; i < count; ++i) {
    states.push_back(static_cast<unsigned>(
        SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_STATEIMAGEMASK)));
  }
  MarksFromListStates(states.data(), count, options);
}
