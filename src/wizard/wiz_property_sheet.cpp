#include "wizard/wiz_property_sheet.h"

#include "common/messages.h"
#include "wizard/wiz_property_page.h"

namespace {

// Posted behind the default close handling: every message that handling
// posted has been handled when this one arrives.
constexpr UINT kQuitConfirmationDone = WM_APP + 1;

}  // namespace

const MessageEntry CWizPropertySheet::kEntries[] = {
    {WM_SYSCOMMAND, 0, 0, Handler(&CWizPropertySheet::OnSysCommand)},
    {WM_CLOSE, 0, 0, Handler(&CWizPropertySheet::OnClose)},
    {WM_TIMER, 0, 0, Handler(&CWizPropertySheet::OnTimer)},
    {kQuitConfirmationDone, 0, 0, Handler(&CWizPropertySheet::OnQuitConfirmationDone)},
};
const MessageMap CWizPropertySheet::kMessageMap = {&CWnd::kMessageMap, kEntries,
                                                   sizeof kEntries / sizeof kEntries[0]};

const MessageMap* CWizPropertySheet::GetMessageMap() const { return &kMessageMap; }

CWizPropertySheet::CWizPropertySheet(const char* caption, HWND parent, UINT start_page)
    : CPropertySheet(caption, parent, start_page) {
  m_psh.dwFlags |= PSH_WIZARD;
}

void AddWizardPage(CWizPropertySheet& sheet, CWizPropertyPage& page) {
  sheet.AddPage(&page);
  page.sheet = &sheet;
}

HWND CWizPropertySheet::Button(int id) const { return GetDlgItem(m_hWnd, id); }

BOOL CWizPropertySheet::OnInitDialog() {
  CPropertySheet::OnInitDialog();
  SetOwnWindowText(Button(kCancelButton), LoadMessage(IDS_QUIT_BUTTON));
  return TRUE;
}

bool CWizPropertySheet::UserConfirmsQuit() {
  const int answer =
      ShowMessage(m_hWnd, IDS_QUIT_QUESTION, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  return answer == IDYES;
}

bool CWizPropertySheet::OnWndMsg(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (installing && (message == WM_COMMAND || message == WM_CLOSE || message == PSM_PRESSBUTTON ||
                     message == PSM_SETCURSEL || message == PSM_SETCURSELID)) {
    *result = 0;
    return true;
  }
  return CPropertySheet::OnWndMsg(message, wparam, lparam, result);
}

BOOL CWizPropertySheet::OnCommand(WPARAM wparam, LPARAM lparam) {
  if (LOWORD(wparam) != IDCANCEL) return CPropertySheet::OnCommand(wparam, lparam);
  // Cancel is disabled while the installation runs; Escape still sends it.
  if (installing) return TRUE;
  if (GetActiveIndex() == kFinishPage) {
    // "&Fertig stellen", Enter, Escape, the close box and Alt+F4 all end
    // here: no question, the chosen finish actions once, then close. The
    // shell may run a message loop while it starts the two; a second key
    // meanwhile must not start them again.
    if (finishing_) return TRUE;
    finishing_ = true;
    static_cast<CWizPropertyPage*>(GetPage(kFinishPage))->RunFinishActions();
    return CPropertySheet::OnCommand(wparam, lparam);
  }
  if (quit_confirmed_) {
    quit_confirmed_ = false;
    return CPropertySheet::OnCommand(wparam, lparam);
  }
  if (UserConfirmsQuit()) return CPropertySheet::OnCommand(wparam, lparam);
  return TRUE;  // No: the wizard stays as it is
}

LRESULT CWizPropertySheet::PressFinishButton() {
  SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(kCancelButton, BN_CLICKED),
               reinterpret_cast<LPARAM>(Button(kCancelButton)));
  return 0;
}

LRESULT CWizPropertySheet::OnSysCommand(WPARAM command, LPARAM) {
  if (command == SC_CLOSE && installing) return 0;
  // The platform may end the sheet on a close without any Cancel command;
  // on the finish page the close does what "&Fertig stellen" does.
  if (command == SC_CLOSE && GetActiveIndex() == kFinishPage) return PressFinishButton();
  if (command != SC_CLOSE) return Default();
  if (!UserConfirmsQuit()) return 0;
  // The default handling may close the sheet itself or turn the close into
  // a Cancel command, sent or posted; one click asks one question.
  quit_confirmed_ = true;
  LRESULT result = Default();
  if (quit_confirmed_ && IsWindow(m_hWnd)) PostMessageA(m_hWnd, kQuitConfirmationDone, 0, 0);
  return result;
}

LRESULT CWizPropertySheet::OnClose(WPARAM, LPARAM) {
  if (!installing && GetActiveIndex() == kFinishPage) return PressFinishButton();
  return Default();
}

LRESULT CWizPropertySheet::OnQuitConfirmationDone(WPARAM, LPARAM) {
  quit_confirmed_ = false;
  return 0;
}

LRESULT CWizPropertySheet::OnTimer(WPARAM, LPARAM) {
  SetOwnWindowText(m_hWnd, LoadMessage(IDS_CAPTION));
  return 0;
}
