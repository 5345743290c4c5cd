// What the wizard's page class does while the welcome page is active:
// target folder, shortcuts and their scope, the licence link.
#include <windows.h>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "common/install_options.h"
#include "common/messages.h"
#include "common/viewer_window.h"
#include "engine/flow/installation_plan.h"
#include "integration/install_folder.h"
#include "resources/resource.h"
#include "rules/wizard_rules.h"
#include "wizard/folder_browser.h"
#include "wizard/folder_field.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"

namespace {

const char kLicenceAddress[] = "https://www.pellumara.example/eula.htm";

const int kShortcutBoxes[] = {IDC_DESKTOP_SHORTCUT, IDC_THUMBNAILS_SHORTCUT,
                              IDC_START_MENU_SHORTCUT};

void EnableScopeRadios(HWND page, BOOL enable) {
  EnableWindow(GetDlgItem(page, IDC_CURRENT_USER), enable);
  EnableWindow(GetDlgItem(page, IDC_ALL_USERS), enable);
}

}  // namespace

void CWizPropertyPage::ActivateWelcomePage() {
  EnableWindow(SheetButton(kBackButton), FALSE);
  SendMessageA(sheet->GetSafeHwnd(), WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconA(GetModuleHandleA(nullptr),
                                                  MAKEINTRESOURCEA(IDI_SETUP))));
  if (first_activation) {
    SetOwnWindowText(SheetButton(kBackButton), "< &Zur\xFC" "ck");
    SetOwnWindowText(SheetButton(kNextButton), "&Weiter >");
    SendDlgItemMessageA(m_hWnd, IDC_WELCOME_HEADING, WM_SETFONT,
                        reinterpret_cast<WPARAM>(sheet->heading_font.GetSafeHandle()), TRUE);
    for (int box : kShortcutBoxes) CheckDlgButton(m_hWnd, box, BST_CHECKED);
    CheckRadioButton(m_hWnd, IDC_CURRENT_USER, IDC_ALL_USERS, IDC_CURRENT_USER);
    // An earlier installation's folder wins over the default one.
    char folder[kPathSize] = "";
    ProposeTargetFolder(folder);
    SetDlgItemTextW(m_hWnd, IDC_TARGET_FOLDER, WideOf(folder, CP_ACP).c_str());
  }
  if (IsViewerRunning()) {
    // Only a warning: the ready page refuses to install while it runs.
    ShowMessage(m_hWnd, IDS_VIEWER_RUNNING, MB_ICONEXCLAMATION);
  }
  first_activation = 0;
}

void CWizPropertyPage::BindLicenceLink() {
  if (GetDlgItem(m_hWnd, IDC_EULA_LINK) == nullptr) return;
  CHyperLink& link = sheet->eula_link;
  if (link.GetSafeHwnd() == nullptr) link.SubclassDlgItem(IDC_EULA_LINK, m_hWnd);
  link.SetUnderlineMode(1);
  link.SetLinkTarget(kLicenceAddress);
}

bool CWizPropertyPage::WelcomeFolderIsAcceptable() {
  // As typed: blanks around the folder are trimmed by the installation.
  char folder[kPathSize] = "";
  const bool exact = WelcomeFolderText(folder);
  const ValueRefusal refusal = JudgeWelcomeFolder(folder, exact);
  if (refusal == ValueRefusal::kNone) return true;
  ShowMessage(m_hWnd, RefusalMessage(refusal), MB_ICONERROR);
  return false;
}

LRESULT CWizPropertyPage::OnBrowse(WPARAM, LPARAM) {
  char folder[kPathSize] = "";
  ReadFolderField(m_hWnd, IDC_TARGET_FOLDER, folder);
  if (!BrowseForFolder(GetActiveWindow(), folder)) return 0;
  AppendProductFolder(folder, CodePageCharacters::Of(SystemAnsiCodePage()));
  SetDlgItemTextW(m_hWnd, IDC_TARGET_FOLDER, WideOf(folder, CP_ACP).c_str());
  return 0;
}

LRESULT CWizPropertyPage::UpdateScopeRadios(WPARAM, LPARAM) {
  BOOL any = FALSE;
  for (int box : kShortcutBoxes) {
    if (IsDlgButtonChecked(m_hWnd, box) == BST_CHECKED) any = TRUE;
  }
  EnableScopeRadios(m_hWnd, any);
  return 0;
}

LRESULT CWizPropertyPage::OnNoShortcuts(WPARAM, LPARAM) {
  for (int box : kShortcutBoxes) CheckDlgButton(m_hWnd, box, BST_UNCHECKED);
  EnableScopeRadios(m_hWnd, FALSE);
  return 0;
}
