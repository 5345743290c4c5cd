// The stand-in's property sheet on comctl32's property-sheet API: pages are
// added in order and the sheet runs modally. Sheet and pages are Unicode
// windows, so that no text of theirs passes through the system's code page.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/property_page.h"
#include "framework/wnd.h"

class CPropertySheet : public CWnd {
 public:
  // caption: one of the setup's own texts (code page 1252).
  CPropertySheet(const char* caption, HWND parent = nullptr, UINT start_page = 0);

  void AddPage(CPropertyPage* page);
  int GetPageCount() const { return static_cast<int>(pages_.size()); }
  CPropertyPage* GetPage(int index) const;
  // The page on show, from the sheet's tab control; the start page before
  // the sheet's window exists.
  int GetActiveIndex() const;

  // Shows the sheet and returns when it has closed (PropertySheetW's result).
  INT_PTR DoModal();

  bool OnWndMsg(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

  PROPSHEETHEADERW m_psh = {};

 protected:
  // Runs once the sheet's window exists, after comctl32's own start-up.
  virtual BOOL OnInitDialog() { return TRUE; }
  // TRUE when the command was handled and must not reach the sheet.
  virtual BOOL OnCommand(WPARAM, LPARAM) { return FALSE; }

 private:
  friend class CPropertyPage;
  void AttachToWindow(HWND sheet);
  static int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM lparam);

  std::wstring caption_;
  std::vector<CPropertyPage*> pages_;
  std::vector<PROPSHEETPAGEW> records_;
};
