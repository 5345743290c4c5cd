#include "wizard/wiz_property_page.h"

#include <vector>

#include "common/messages.h"
#include "resources/resource.h"
#include "rules/control_rules.h"
#include "rules/wizard_rules.h"
#include "wizard/folder_field.h"
#include "wizard/page_logo.h"
#include "wizard/wiz_property_sheet.h"

const MessageEntry CWizPropertyPage::kEntries[] = {
    {WM_COMMAND, IDC_BROWSE, BN_CLICKED, Handler(&CWizPropertyPage::OnBrowse)},
    {WM_COMMAND, IDC_INI_BROWSE, BN_CLICKED, Handler(&CWizPropertyPage::OnBrowse)},
    {WM_COMMAND, IDC_DESKTOP_SHORTCUT, BN_CLICKED, Handler(&CWizPropertyPage::UpdateScopeRadios)},
    {WM_COMMAND, IDC_THUMBNAILS_SHORTCUT, BN_CLICKED,
     Handler(&CWizPropertyPage::UpdateScopeRadios)},
    {WM_COMMAND, IDC_START_MENU_SHORTCUT, BN_CLICKED,
     Handler(&CWizPropertyPage::UpdateScopeRadios)},
    {WM_COMMAND, IDC_NO_SHORTCUTS, BN_CLICKED, Handler(&CWizPropertyPage::OnNoShortcuts)},
    {WM_COMMAND, IDC_MARK_ALL, BN_CLICKED, Handler(&CWizPropertyPage::MarkAll)},
    {WM_COMMAND, IDC_MARK_NONE, BN_CLICKED, Handler(&CWizPropertyPage::MarkNone)},
    {WM_COMMAND, IDC_MARK_IMAGES, BN_CLICKED, Handler(&CWizPropertyPage::MarkImagesOnly)},
};
const MessageMap CWizPropertyPage::kMessageMap = {&CWnd::kMessageMap, kEntries,
                                                  sizeof kEntries / sizeof kEntries[0]};

const MessageMap* CWizPropertyPage::GetMessageMap() const { return &kMessageMap; }

CWizPropertyPage::CWizPropertyPage(UINT template_id) : CPropertyPage(template_id) {}

CWizPropertyPage::~CWizPropertyPage() = default;

int CWizPropertyPage::ActiveIndex() const { return sheet->GetActiveIndex(); }

HWND CWizPropertyPage::SheetButton(int id) const { return sheet->Button(id); }

LRESULT CWizPropertyPage::FindNeighbourPage(bool forward) {
  const int count = sheet->GetPageCount();
  std::vector<int> flags;
  for (int i = 0; i < count; ++i) {
    flags.push_back(static_cast<CWizPropertyPage*>(sheet->GetPage(i))->included);
  }
  const int target = FindNeighbourIndex(flags.data(), count, ActiveIndex(), forward);
  if (target < 0) return -1;
  return static_cast<LRESULT>(sheet->GetPage(target)->TemplateId());
}

BOOL CWizPropertyPage::OnSetActive() {
  switch (ActiveIndex()) {
    case kWelcomePage: ActivateWelcomePage(); break;
    case kWhatsNewPage: ShowWhatsNew(); break;
    case kAssociationsPage: ActivateAssociationsPage(); break;
    case kReadyPage: ActivateReadyPage(); break;
    case kFinishPage: ActivateFinishPage(); break;
    default: break;
  }
  return CPropertyPage::OnSetActive();
}

LRESULT CWizPropertyPage::OnWizardBack() { return FindNeighbourPage(false); }

LRESULT CWizPropertyPage::OnWizardNext() {
  EnableWindow(SheetButton(kBackButton), TRUE);
  if (ActiveIndex() == kWelcomePage && !WelcomeFolderIsAcceptable()) return -1;
  if (ActiveIndex() == kReadyPage) return StartInstallation();
  return FindNeighbourPage(true);
}

bool CWizPropertyPage::WelcomeFolderText(char* folder) const {
  folder[0] = '\0';
  HWND welcome = sheet->GetPage(kWelcomePage)->GetSafeHwnd();
  return welcome == nullptr || ReadFolderField(welcome, IDC_TARGET_FOLDER, folder);
}

void CWizPropertyPage::DoDataExchange(CDataExchange* exchange) {
  CPropertyPage::DoDataExchange(exchange);
  if (!logo_fitted_) {
    logo_image_ = FitPageLogo(m_hWnd);
    logo_fitted_ = true;
  }
  if (!controls_described_) {
    MakeFolderFieldUnicode(m_hWnd, IDC_TARGET_FOLDER);
    DescribeControlsForScreenReaders();
    controls_described_ = true;
  }
  switch (ActiveIndex()) {
    case kWelcomePage: BindLicenceLink(); break;
    case kReadyPage: BindWaitLabel(); break;
    default: break;
  }
}

bool CWizPropertyPage::RefusesCommands() const { return sheet != nullptr && sheet->installing; }
