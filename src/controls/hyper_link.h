// A static control turned into a clickable link: link, hover and visited
// colours, optional underline, a hand cursor, a window fitted to its text,
// and the address opened by the shell when clicked. It is a Tab stop too:
// it shows a focus rectangle while it has the keyboard focus, and Enter or
// Space opens it as a click does. Screen readers meet it as a link whose
// default action opens it as a click does.
#pragma once

#include <windows.h>

#include <string>

#include "common/scoped_win.h"
#include "controls/accessible_object.h"
#include "framework/font.h"
#include "framework/static_control.h"

class CHyperLink : public CStatic, private AccessibleBehaviour {
 public:
  CHyperLink();
  ~CHyperLink() override;

  // -1: underlined while the pointer is over the link; 1: always; any
  // other value: never.
  void SetUnderlineMode(int mode);
  void SetLinkTarget(const char* address);
  BOOL DestroyWindow() override;

  // Opens the address with the shell, else with the command line of the
  // ".htm" handler. Greater than 32 means success.
  static int OpenLink(const char* address, int show_command);

  COLORREF link_colour;
  COLORREF visited_colour;
  COLORREF hover_colour;
  BOOL hovering = FALSE;
  BOOL visited = FALSE;
  int underline_mode = -1;
  BOOL auto_size = TRUE;
  std::string link_target;
  CFont underline_font;
  CFont normal_font;
  // The hand shown over the link, a copy that hand_cursor_owner releases.
  HCURSOR hand_cursor = nullptr;
  ScopedCursor hand_cursor_owner;
  UINT timer_id = 100;

 protected:
  const MessageMap* GetMessageMap() const override;
  void PreSubclassWindow() override;

 private:
  void FitToText();
  void LoadHandCursor();
  LRESULT CtlColor(WPARAM dc, LPARAM);
  LRESULT OnSetCursor(WPARAM, LPARAM);
  LRESULT OnMouseMove(WPARAM, LPARAM);
  LRESULT OnTimer(WPARAM, LPARAM);
  LRESULT OnLinkClicked(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM dc, LPARAM);
  LRESULT OnGetDlgCode(WPARAM, LPARAM message);
  LRESULT OnKeyDown(WPARAM key, LPARAM flags);
  LRESULT OnFocusChange(WPARAM, LPARAM);
  LRESULT OnUpdateUiState(WPARAM, LPARAM);
  LRESULT OnPaint(WPARAM, LPARAM);
  bool ShowsFocus() const;
  LRESULT OnGetObject(WPARAM flags, LPARAM object_id);
  LRESULT OnDestroy(WPARAM, LPARAM);
  LRESULT OnOpenRequested(WPARAM, LPARAM);
  void ReportStateChange();

  LONG AddedStates() const override;
  const wchar_t* DefaultActionName() const override;
  void DoDefaultAction() override;

  AccessibleServer accessible_;

  static const MessageEntry kEntries[];
  static const MessageMap kMessageMap;
};
