#include "framework/property_sheet.h"

#include "common/ansi_path.h"

namespace {

// PropertySheetW's callback has no context parameter; only one sheet is
// ever being created at a time on the user-interface thread.
CPropertySheet* g_creating_sheet = nullptr;

}  // namespace

CPropertySheet::CPropertySheet(const char* caption, HWND parent, UINT start_page)
    : caption_(OwnText(caption != nullptr ? caption : "")) {
  m_psh.dwSize = sizeof m_psh;
  m_psh.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK;
  m_psh.hwndParent = parent;
  m_psh.pszCaption = caption_.c_str();
  m_psh.nStartPage = start_page;
  m_psh.pfnCallback = SheetCallback;
}

void CPropertySheet::AddPage(CPropertyPage* page) {
  pages_.push_back(page);
  page->owner_ = this;
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  if (index < 0 || index >= GetPageCount()) return nullptr;
  return pages_[static_cast<std::size_t>(index)];
}

int CPropertySheet::GetActiveIndex() const {
  if (m_hWnd == nullptr) return static_cast<int>(m_psh.nStartPage);
  HWND tabs = reinterpret_cast<HWND>(SendMessageA(m_hWnd, PSM_GETTABCONTROL, 0, 0));
  return static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
}

INT_PTR CPropertySheet::DoModal() {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  records_.clear();
  for (CPropertyPage* page : pages_) records_.push_back(page->m_psp);
  m_psh.hInstance = GetModuleHandleW(nullptr);
  m_psh.nPages = static_cast<UINT>(records_.size());
  m_psh.ppsp = records_.data();
  g_creating_sheet = this;
  INT_PTR result = PropertySheetW(&m_psh);
  g_creating_sheet = nullptr;
  return result;
}

void CPropertySheet::AttachToWindow(HWND sheet) {
  if (m_hWnd != nullptr || sheet == nullptr) return;
  if (SubclassWindow(sheet)) OnInitDialog();
}

bool CPropertySheet::OnWndMsg(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message == WM_COMMAND && OnCommand(wparam, lparam)) {
    *result = 0;
    return true;
  }
  return CWnd::OnWndMsg(message, wparam, lparam, result);
}

int CALLBACK CPropertySheet::SheetCallback(HWND sheet, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED && g_creating_sheet != nullptr) {
    g_creating_sheet->AttachToWindow(sheet);
  }
  return 0;
}
