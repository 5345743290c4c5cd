#include "app/the_app.h"

#include <cstring>
#include <string>

#include "app/command_line.h"
#include "app/run_log_start.h"

#include "common/exit_codes.h"
#include "common/install_options.h"
#include "common/messages.h"
#include "common/run_log.h"
#include "common/screen_scale.h"
#include "common/viewer_window.h"
#include "common/windows_version.h"
#include "engine/flow/installation_plan.h"
#include "engine/flow/installation_session.h"
#include "engine/flow/run_installation.h"
#include "engine/flow/setup_log.h"
#include "integration/install_folder.h"
#include "rules/option_reader.h"
#include "rules/run_log_rules.h"
#include "rules/text_rules.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"

namespace {

TheApp the_app;
CWizPropertySheet wizard_sheet("Pellumara Setup", nullptr, 0);

constexpr int kHeadingFontHeight = 20;  // pixels at 96 DPI

int ExitCodeFor(InstallResult result) {
  switch (result) {
    case InstallResult::kInstalled: return kExitInstalled;
    case InstallResult::kFolderRejected: return kExitFolderRejected;
    case InstallResult::kPayloadFailed: return kExitPayloadFailed;
    case InstallResult::kIncomplete: return kExitIncomplete;
    case InstallResult::kRestartRequired: return kExitRestartRequired;
    case InstallResult::kAnotherSetupRunning: return kExitAnotherSetupRunning;
  }
  return kExitPayloadFailed;
}

}  // namespace

TheApp::TheApp() : CWinApp(nullptr) {}

TheApp& TheApplication() { return the_app; }

BOOL TheApp::InitInstance() {
  // No critical-error or open-file-error boxes: a silent run shows no window,
  // and the wizard reports a bad folder with its own messages.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // The log goes to the folder the setup was started from, whatever the
  // current directory is later.
  TakeSetupLogFolder();

  // The one reading of the command line: the mode, the log, the values.
  const StartRequest request = ReadThisStartRequest();
  if (!StartRunLog(request)) {
    exit_code_ = kExitLogNotCreated;
    return FALSE;
  }
  switch (request.mode) {
    case StartMode::kUsageText: ShowUsageText(); break;
    case StartMode::kWizard: RunWizard(); break;
    case StartMode::kSilent: RunSilent(request); break;
  }
  FinishRunLog(exit_code_);
  return FALSE;
}

void TheApp::ShowUsageText() {
  ShowMessage(nullptr, IDS_USAGE, MB_OK | MB_ICONINFORMATION);
  TheRunLog().Note("nothing installed");
  exit_code_ = kExitInstalled;
}

void TheApp::CreateHeadingFont() {
  std::memset(&log_font_, 0, sizeof log_font_);
  // 20 pixels on a 96-DPI screen, as tall against the page on any other.
  log_font_.lfHeight = ScaleToScreen(kHeadingFontHeight);
  log_font_.lfWeight = 600;
  log_font_.lfQuality = ANTIALIASED_QUALITY;
  CopyBounded(log_font_.lfFaceName, sizeof log_font_.lfFaceName, "MS Sans Serif");
  if (IsWindowsVersionAtLeast(5, 1, 0)) {
    log_font_.lfWeight = 700;
    CopyBounded(log_font_.lfFaceName, sizeof log_font_.lfFaceName, "Arial");
  }
  wizard_sheet.heading_font.Attach(CreateFontIndirectA(&log_font_));
}

void TheApp::RunWizard() {
  CreateHeadingFont();
  wizard_sheet.format_list = nullptr;
  CWizPropertyPage welcome(IDD_WELCOME);
  CWizPropertyPage whats_new(IDD_WHATS_NEW);
  CWizPropertyPage associations(IDD_ASSOCIATIONS);
  CWizPropertyPage ready(IDD_READY);
  CWizPropertyPage finish(IDD_FINISH);
  AddWizardPage(wizard_sheet, welcome);
  AddWizardPage(wizard_sheet, whats_new);
  AddWizardPage(wizard_sheet, associations);
  AddWizardPage(wizard_sheet, ready);
  AddWizardPage(wizard_sheet, finish);

  m_pMainWnd = &wizard_sheet;
  wizard_sheet.DoModal();
  m_pMainWnd = nullptr;
  exit_code_ = !wizard_sheet.installed           ? kExitWizardCancelled
               : wizard_sheet.restart_required ? kExitRestartRequired
                                               : kExitInstalled;
}

void TheApp::RunSilent(const StartRequest& request) {
  InstallationSession session(true);
  if (IsViewerRunning()) {
    const std::string message = LoadMessage(IDS_VIEWER_RUNNING);
    session.Fail(message, message);
    exit_code_ = kExitViewerRunning;
    return;
  }
  InstallOptions options = request.options;
  options.silent = 1;
  FolderOrigin origin = FolderOrigin::kOption;
  if (!request.folder_given) {
    origin = ProposeTargetFolder(options.target_folder) ? FolderOrigin::kEarlierInstallation
                                                        : FolderOrigin::kDefault;
  }
  TheRunLog().Note("target folder from: " + FolderOriginText(origin));

  InstallationPlan plan;
  PlanRefusal refusal;
  if (!MakeInstallationPlan(options,
                            {request.folder_value_cut, request.folder_value_inexact},
                            {request.ini_value_cut, request.ini_value_inexact},
                            ReadRunnerFacts(), &plan, &refusal)) {
    ReportRefusal(refusal, session);
    exit_code_ = kExitFolderRejected;
    return;
  }
  exit_code_ = ExitCodeFor(RunInstallation(plan, session).result);
}
