// The one page class of the wizard. The five pages differ only in their
// dialog template; what one page alone does looks at the sheet's active page
// index and acts for that page.
#pragma once

#include <windows.h>

#include "framework/property_page.h"

class CWizPropertySheet;

class CWizPropertyPage : public CPropertyPage {
 public:
  explicit CWizPropertyPage(UINT template_id);

  // The template id of the page Next (forward) or Back leads to, or -1.
  virtual LRESULT FindNeighbourPage(bool forward);

  int first_activation = 1;
  int included = 1;  // pages with 0 are stepped over
  CWizPropertySheet* sheet = nullptr;

 protected:
  const MessageMap* GetMessageMap() const override;
  void DoDataExchange(CDataExchange* exchange) override;
  BOOL OnSetActive() override;
  LRESULT OnWizardBack() override;
  LRESULT OnWizardNext() override;

 private:
  int ActiveIndex() const;
  HWND SheetButton(int id) const;
  void ActivateFinishPageButtons();

  // Welcome page (welcome_page.cpp)
  void ActivateWelcomePage();
  void BindLicenceLink();
  bool WelcomeFolderIsAcceptable();
  LRESULT OnBrowse(WPARAM, LPARAM);
  LRESULT UpdateScopeRadios(WPARAM, LPARAM);
  LRESULT OnNoShortcuts(WPARAM, LPARAM);

  // What's-new page (whats_new_page.cpp)
  void ShowWhatsNew();

  // Ready page
  void BindWaitLabel();

  static const MessageEntry kEntries[];
  static const MessageMap kMessageMap;
};
