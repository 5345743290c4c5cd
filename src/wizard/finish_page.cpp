// What the wizard's page class does while the finish page is active, and
// the two actions that closing the wizard there runs: the FAQ page and the
// installed viewer.
#include <windows.h>

#include <string>

#include "common/desktop_start.h"
#include "common/install_options.h"
#include "common/messages.h"
#include "common/viewer_window.h"
#include "resources/resource.h"
#include "rules/text_rules.h"
#include "rules/integration_texts.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"

namespace {

const char kFaqAddress[] = "https://www.pellumara.example/faq.htm";

}  // namespace

void CWizPropertyPage::ActivateFinishPage() {
  SendDlgItemMessageA(m_hWnd, IDC_FINISH_HEADING, WM_SETFONT,
                      reinterpret_cast<WPARAM>(sheet->heading_font.GetSafeHandle()), TRUE);
  // Without an uninstall link in the Start menu (from Windows 8 on) the
  // hint names Windows' own place for removing programs.
  if (!sheet->uninstall_link) {
    SetOwnDlgItemText(m_hWnd, IDC_UNINSTALL_HINT, LoadMessage(IDS_UNINSTALL_HINT_PROGRAMS));
  }
  CheckDlgButton(m_hWnd, IDC_SHOW_FAQ, BST_CHECKED);
  CheckDlgButton(m_hWnd, IDC_START_VIEWER, BST_CHECKED);
  // The only way out of the finish page is the relabelled Cancel button,
  // which Enter presses too: it takes over from the disabled Next as the
  // default button.
  SetOwnWindowText(SheetButton(kCancelButton), LoadMessage(IDS_FINISH_BUTTON));
  EnableWindow(SheetButton(kBackButton), FALSE);
  EnableWindow(SheetButton(kNextButton), FALSE);
  // Posted once more: a sheet that settles its default button only after
  // this notification must not hand it back to Next.
  SendMessageA(sheet->GetSafeHwnd(), DM_SETDEFID, kCancelButton, 0);
  PostMessageA(sheet->GetSafeHwnd(), DM_SETDEFID, kCancelButton, 0);
}

void CWizPropertyPage::RunFinishActions() {
  if (m_hWnd == nullptr) return;
  // Neither result is looked at: no browser or a missing viewer must not
  // keep the wizard from closing. Only what the elevated setup would have
  // had to start with its own rights is told.
  bool withheld = false;
  if (IsDlgButtonChecked(m_hWnd, IDC_SHOW_FAQ) == BST_CHECKED) {
    withheld = StartAsDesktopUser(kFaqAddress, nullptr, nullptr, SW_SHOW) == StartedBy::kWithheld;
  }
  if (IsDlgButtonChecked(m_hWnd, IDC_START_VIEWER) == BST_CHECKED) {
    // The folder as the installation made it (canonical, ending in a
    // backslash), whatever the welcome page's field holds; the viewer is
    // started there, where it expects to be started.
    const std::string& folder = sheet->installed_folder;
    const std::string viewer = ViewerPath(folder);
    if (!folder.empty() && viewer.size() < kPathSize) {
      const StartedBy started = StartAsDesktopUser(viewer.c_str(), "", folder.c_str(), SW_SHOW);
      if (started == StartedBy::kWithheld) {
        withheld = true;
      } else {
        Sleep(50);
        WaitForViewerWindow();
      }
    }
  }
  if (withheld) {
    ShowTextBox(sheet->GetSafeHwnd(),
                FillPlaceholders(LoadMessage(IDS_FINISH_NOT_STARTED), "%s", {kFaqAddress}),
                MB_ICONINFORMATION);
  }
}
