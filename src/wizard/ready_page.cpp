// What the wizard's page class does while the ready page is active: the
// target folder line, where the viewer keeps its settings, and Next, which
// collects every page's choices and runs the installation.
#include <windows.h>

#include <string>

#include "common/ansi_path.h"
#include "common/install_options.h"
#include "common/messages.h"
#include "common/screen_scale.h"
#include "common/viewer_window.h"
#include "common/windows_version.h"
#include "engine/flow/installation_plan.h"
#include "engine/flow/run_installation.h"
#include "files/full_paths.h"
#include "resources/resource.h"
#include "rules/control_rules.h"
#include "rules/text_rules.h"
#include "rules/wizard_choices.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"

namespace {

constexpr std::size_t kLabelSize = 50;  // the folder line's label, terminator included
constexpr int kWaitFontHeight = 18;      // pixels at 96 DPI

bool IsChecked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

// Keys and clicks given while the routine ran were meant for a wizard that
// could not take them; acted on later, an Escape would close the finish page
// the moment it shows. Only this thread's input goes.
void DiscardQueuedInput() {
  const UINT input_ranges[][2] = {{WM_KEYFIRST, WM_KEYLAST},
                                  {WM_MOUSEFIRST, WM_MOUSELAST},
                                  {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK}};
  MSG message;
  for (const auto& range : input_ranges) {
    while (PeekMessageA(&message, nullptr, range[0], range[1], PM_REMOVE)) {
    }
  }
}

}  // namespace

void CWizPropertyPage::ActivateReadyPage() {
  SendDlgItemMessageA(m_hWnd, IDC_READY_HEADING, WM_SETFONT,
                      reinterpret_cast<WPARAM>(sheet->heading_font.GetSafeHandle()), TRUE);

  char folder[kPathSize];
  WelcomeFolderText(folder);
  TrimBlanks(folder);
  MakePathWhole(folder, sizeof folder);  // as the installation will name it
  std::string label = LoadMessage(IDS_TARGET_FOLDER_LABEL);
  if (label.size() >= kLabelSize) label.resize(kLabelSize - 1);
  // The label is the setup's own text, the folder a name in the system's
  // code page: each goes over to UTF-16 from its own.
  const ShownText line = ShownText().Own(label + ": ").Name(folder);
  SetDlgItemTextW(m_hWnd, IDC_FOLDER_LINE, line.wide().c_str());

  // The choice goes back to the default on every showing: the
  // application-data folder from Windows Vista on.
  const bool vista_or_later = IsWindowsVersionAtLeast(6, 0, 0);
  CheckDlgButton(m_hWnd, IDC_INI_IN_PROGRAM_FOLDER, vista_or_later ? BST_UNCHECKED : BST_CHECKED);
  CheckDlgButton(m_hWnd, IDC_INI_IN_APPDATA, vista_or_later ? BST_CHECKED : BST_UNCHECKED);
}

void CWizPropertyPage::BindWaitLabel() {
  if (GetDlgItem(m_hWnd, IDC_WAIT_LABEL) == nullptr) return;
  CXColorStatic& label = sheet->wait_label;
  if (label.GetSafeHwnd() == nullptr && label.SubclassDlgItem(IDC_WAIT_LABEL, m_hWnd)) {
    label.AnnounceChanges();
  }
  label.SetTextColour(MakeColour(255, 0, 0), FALSE);
  label.SetBoldText(TRUE, TRUE);
  label.SetFontFace("Arial", ScaleToScreen(kWaitFontHeight), TRUE);
}

void CWizPropertyPage::FillInstallOptions(InstallOptions& options) const {
  WelcomeFolderText(options.target_folder);
  TrimBlanks(options.target_folder);
  HWND welcome = sheet->GetPage(kWelcomePage)->GetSafeHwnd();
  options.start_menu_shortcut = IsChecked(welcome, IDC_START_MENU_SHORTCUT) ? 1 : 0;
  options.desktop_shortcut = IsChecked(welcome, IDC_DESKTOP_SHORTCUT) ? 1 : 0;
  options.thumbnails_shortcut = IsChecked(welcome, IDC_THUMBNAILS_SHORTCUT) ? 1 : 0;
  options.all_users = IsChecked(welcome, IDC_ALL_USERS) ? 1 : 0;
  options.ini_folder[0] = '\0';
  if (IsChecked(m_hWnd, IDC_INI_IN_APPDATA)) {
    CopyBounded(options.ini_folder, sizeof options.ini_folder, AppDataSettingsFolder().c_str());
  }
  ReadAssociationMarks(options);
  options.silent = 0;
}

void CWizPropertyPage::EnableSheetButtons(BOOL enable) {
  for (int id : {kBackButton, kNextButton, kCancelButton}) EnableWindow(SheetButton(id), enable);
}

LRESULT CWizPropertyPage::StartInstallation() {
  if (IsViewerRunning()) {
    ShowMessage(m_hWnd, IDS_VIEWER_RUNNING, MB_ICONEXCLAMATION);
    return -1;
  }
  InstallOptions options;
  FillInstallOptions(options);

  HWND label = sheet->wait_label.GetSafeHwnd();
  if (label == nullptr) label = GetDlgItem(m_hWnd, IDC_WAIT_LABEL);
  ShowWindow(label, SW_SHOW);
  UpdateWindow(label);

  // The routine runs right here on the user-interface thread; nothing may
  // navigate or quit meanwhile. The timer ticks only while one of its
  // message boxes runs a message loop.
  HWND sheet_window = sheet->GetSafeHwnd();
  SetTimer(sheet_window, kInstallTimerId, kInstallTimerPeriod, nullptr);
  EnableSheetButtons(FALSE);
  sheet->installing = 1;
  // The routine's message boxes, owned by the sheet, keep it disabled, also
  // when the user has switched to another program meanwhile.
  InstallationSession session(false, sheet_window);
  InstallationPlan plan;
  PlanRefusal refusal;
  InstallationOutcome outcome;
  if (MakeInstallationPlan(options, {}, {}, ReadRunnerFacts(), &plan, &refusal)) {
    outcome = RunInstallation(plan, session);
  } else {
    ReportRefusal(refusal, session);
    outcome.result = InstallResult::kFolderRejected;
  }
  sheet->installing = 0;
  KillTimer(sheet_window, kInstallTimerId);
  EnableSheetButtons(TRUE);
  DiscardQueuedInput();

  if (!WentThrough(outcome.result)) {
    // The routine has shown why; the user may change the folder and retry.
    return static_cast<LRESULT>(sheet->GetPage(kWelcomePage)->TemplateId());
  }
  sheet->installed = 1;
  sheet->installed_folder = outcome.folder;
  sheet->uninstall_link = plan.links.uninstall_link;
  if (outcome.result == InstallResult::kRestartRequired) sheet->restart_required = 1;
  return FindNeighbourPage(true);
}
