#include "framework/property_page.h"

#include "framework/property_sheet.h"

CPropertyPage::CPropertyPage(UINT template_id) : template_id_(template_id) {
  m_psp.dwSize = sizeof m_psp;
  m_psp.dwFlags = PSP_DEFAULT;
  m_psp.hInstance = GetModuleHandleW(nullptr);
  m_psp.pszTemplate = MAKEINTRESOURCEW(template_id);
  m_psp.pfnDlgProc = DialogProc;
  m_psp.lParam = reinterpret_cast<LPARAM>(this);
}

BOOL CPropertyPage::UpdateData(BOOL save) {
  CDataExchange exchange = {m_hWnd, save != FALSE};
  DoDataExchange(&exchange);
  return TRUE;
}

BOOL CPropertyPage::OnInitDialog() { return UpdateData(FALSE); }

BOOL CPropertyPage::OnSetActive() {
  // The dialog's creation has filled the controls already the first time.
  if (first_set_active_) {
    first_set_active_ = false;
  } else {
    UpdateData(FALSE);
  }
  return TRUE;
}

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

bool CPropertyPage::OnSheetNotification(const NMHDR& header, LRESULT* result) {
  switch (header.code) {
    case PSN_SETACTIVE: *result = OnSetActive() ? 0 : -1; return true;
    case PSN_KILLACTIVE: *result = OnKillActive() ? FALSE : TRUE; return true;
    case PSN_WIZBACK: *result = OnWizardBack(); return true;
    case PSN_WIZNEXT: *result = OnWizardNext(); return true;
    default: return false;
  }
}

INT_PTR CPropertyPage::HandleDialogMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (message == WM_COMMAND && RefusesCommands()) return TRUE;
  switch (message) {
    case WM_NOTIFY:
      if (OnSheetNotification(*reinterpret_cast<const NMHDR*>(lparam), &result)) {
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT: {
      // A control object may want to choose its own colours; a dialog
      // answers these with the brush itself, not through DWLP_MSGRESULT.
      CWnd* control = FromHandlePermanent(reinterpret_cast<HWND>(lparam));
      if (control != nullptr && control->OnWndMsg(Reflected(message), wparam, lparam, &result)) {
        return static_cast<INT_PTR>(result);
      }
      break;
    }
    case WM_COMMAND: {
      CWnd* control = FromHandlePermanent(reinterpret_cast<HWND>(lparam));
      if (control != nullptr && control->OnWndMsg(Reflected(message), wparam, lparam, &result)) {
        return TRUE;
      }
      break;
    }
    case WM_NCDESTROY:
      m_hWnd = nullptr;
      return FALSE;
    default:
      break;
  }
  if (OnWndMsg(message, wparam, lparam, &result)) {
    SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK CPropertyPage::DialogProc(HWND dialog, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
  try {
    if (message == WM_INITDIALOG) {
      auto* record = reinterpret_cast<const PROPSHEETPAGEW*>(lparam);
      auto* page = reinterpret_cast<CPropertyPage*>(record->lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
      page->m_hWnd = dialog;
      // The first page's dialog may come before the sheet's own start-up
      // callback; the sheet object takes its window here then.
      if (page->owner_ != nullptr) page->owner_->AttachToWindow(GetParent(dialog));
      return page->OnInitDialog();
    }
    auto* page = reinterpret_cast<CPropertyPage*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (page == nullptr || page->m_hWnd != dialog) return FALSE;
    return page->HandleDialogMessage(message, wparam, lparam);
  } catch (...) {
    return FALSE;  // nothing may unwind through the dialog manager
  }
}
