// The stand-in's property page: one dialog template shown inside a property
// sheet. The sheet's notifications become small overridable hooks. The page
// is a Unicode dialog: the template's German texts reach its controls in
// UTF-16 as they stand there, not through the system's code page.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/wnd.h"

class CPropertySheet;

// What a data exchange runs for: filling the controls or reading them back.
struct CDataExchange {
  HWND dialog;
  bool save_and_validate;
};

class CPropertyPage : public CWnd {
 public:
  explicit CPropertyPage(UINT template_id);

  UINT TemplateId() const { return template_id_; }
  // Runs DoDataExchange; the controls are read when save is TRUE.
  BOOL UpdateData(BOOL save = TRUE);

  PROPSHEETPAGEW m_psp = {};

 protected:
  virtual void DoDataExchange(CDataExchange*) {}
  virtual BOOL OnInitDialog();
  // TRUE accepts the activation.
  virtual BOOL OnSetActive();
  // TRUE lets the page go.
  virtual BOOL OnKillActive();
  // 0 goes to the neighbouring page, -1 keeps this one, a dialog template
  // id shows the page made from that template.
  virtual LRESULT OnWizardBack() { return 0; }
  virtual LRESULT OnWizardNext() { return 0; }
  // True while the page may act on no command at all, not even one sent
  // to it by another program.
  virtual bool RefusesCommands() const { return false; }

 private:
  friend class CPropertySheet;
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR HandleDialogMessage(UINT message, WPARAM wparam, LPARAM lparam);
  bool OnSheetNotification(const NMHDR& header, LRESULT* result);

  UINT template_id_;
  bool first_set_active_ = true;
  CPropertySheet* owner_ = nullptr;
};
