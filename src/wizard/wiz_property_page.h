// The one page class of the wizard. The five pages differ only in their
// dialog template; what one page alone does looks at the sheet's active page
// index and acts for that page.
#pragma once

#include <windows.h>

#include "common/install_options.h"
#include "common/scoped_win.h"
#include "framework/property_page.h"

class CWizPropertySheet;

class CWizPropertyPage : public CPropertyPage {
 public:
  explicit CWizPropertyPage(UINT template_id);
  ~CWizPropertyPage() override;

  // The template id of the page Next (forward) or Back leads to, or -1.
  virtual LRESULT FindNeighbourPage(bool forward);

  // What closing the wizard on the finish page does: the FAQ page and the
  // installed viewer, as far as their boxes are checked (finish_page.cpp).
  void RunFinishActions();

  int first_activation = 1;
  int included = 1;  // pages with 0 are stepped over
  CWizPropertySheet* sheet = nullptr;

 protected:
  const MessageMap* GetMessageMap() const override;
  void DoDataExchange(CDataExchange* exchange) override;
  BOOL OnSetActive() override;
  LRESULT OnWizardBack() override;
  LRESULT OnWizardNext() override;
  // While the installation runs, nothing of the wizard acts.
  bool RefusesCommands() const override;

 private:
  int ActiveIndex() const;
  HWND SheetButton(int id) const;
  // The welcome page's folder field, at most 259 characters, as typed, in
  // its exact ANSI form; false, with folder empty, when it has none.
  bool WelcomeFolderText(char* folder) const;

  // Welcome page (welcome_page.cpp)
  void ActivateWelcomePage();
  void BindLicenceLink();
  bool WelcomeFolderIsAcceptable();
  LRESULT OnBrowse(WPARAM, LPARAM);
  LRESULT UpdateScopeRadios(WPARAM, LPARAM);
  LRESULT OnNoShortcuts(WPARAM, LPARAM);

  // What's-new page (whats_new_page.cpp)
  void ShowWhatsNew();

  // Associations page (associations_page.cpp)
  void ActivateAssociationsPage();
  void InsertFormatRow(int item, const char* list_text, const char* description);
  void SetAllMarks(int first, int end, UINT state);
  void ReadAssociationMarks(InstallOptions& options) const;
  LRESULT MarkAll(WPARAM, LPARAM);
  LRESULT MarkNone(WPARAM, LPARAM);
  LRESULT MarkImagesOnly(WPARAM, LPARAM);

  // Ready page (ready_page.cpp)
  void ActivateReadyPage();
  void BindWaitLabel();
  void FillInstallOptions(InstallOptions& options) const;
  LRESULT StartInstallation();
  void EnableSheetButtons(BOOL enable);

  // Finish page (finish_page.cpp)
  void ActivateFinishPage();

  // Names, roles and marks for screen readers (page_accessibility.cpp)
  void DescribeControlsForScreenReaders();

  // The logo drawn for this screen, once the page has fitted it (null while
  // the control shows its own bitmap).
  ScopedBitmap logo_image_;
  bool logo_fitted_ = false;
  bool controls_described_ = false;

  static const MessageEntry kEntries[];
  static const MessageMap kMessageMap;
};
