// The setup's wizard: one modal property sheet in wizard style with five
// pages. It owns the heading font and the two custom controls of the pages,
// asks before the user quits, and shows the installation's caption while
// the installation routine runs.
#pragma once

#include <windows.h>

#include <string>

#include "controls/hyper_link.h"
#include "controls/x_color_static.h"
#include "framework/font.h"
#include "framework/property_sheet.h"

class CWizPropertyPage;

// Page indices, in the order start-up adds the pages.
constexpr int kWelcomePage = 0;
constexpr int kWhatsNewPage = 1;
constexpr int kAssociationsPage = 2;
constexpr int kReadyPage = 3;
constexpr int kFinishPage = 4;

// The sheet's own buttons.
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kCancelButton = IDCANCEL;

// Runs on the sheet window while the installation routine works.
constexpr UINT_PTR kInstallTimerId = 2013;
constexpr UINT kInstallTimerPeriod = 1500;

class CWizPropertySheet : public CPropertySheet {
 public:
  CWizPropertySheet(const char* caption, HWND parent, UINT start_page);

  // One of the sheet's buttons (Back, Next, Cancel).
  HWND Button(int id) const;

  CFont heading_font;
  HWND format_list = nullptr;
  CHyperLink eula_link;
  CXColorStatic wait_label;
  // Set once an installation has gone through in this run.
  int installed = 0;
  // Set when files in use of that installation are replaced at the restart.
  int restart_required = 0;
  // The folder it installed into, as the installation made it.
  std::string installed_folder;
  // Whether its Start-menu folder got an uninstall link (before Windows 8);
  // otherwise programs are removed through Windows' own list.
  bool uninstall_link = false;
  // Set while the installation routine runs: the close box, Escape, and
  // every command or page change, also one another program sends while
  // the routine answers messages, do nothing then, since the routine is
  // still on the stack.
  int installing = 0;

 protected:
  const MessageMap* GetMessageMap() const override;
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
  bool OnWndMsg(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  bool UserConfirmsQuit();
  LRESULT OnSysCommand(WPARAM command, LPARAM);
  LRESULT OnClose(WPARAM, LPARAM);
  // Closing on the finish page: the Cancel command its button sends.
  LRESULT PressFinishButton();
  LRESULT OnTimer(WPARAM, LPARAM);
  LRESULT OnQuitConfirmationDone(WPARAM, LPARAM);

  // The close box's question was answered Yes; the Cancel command that the
  // platform may derive from the same click must not ask again.
  bool quit_confirmed_ = false;
  // The finish actions have started; the sheet is closing.
  bool finishing_ = false;

  static const MessageEntry kEntries[];
  static const MessageMap kMessageMap;
};

// Adds the page to the sheet and lets the page know its sheet.
void AddWizardPage(CWizPropertySheet& sheet, CWizPropertyPage& page);
