// A static control that paints its own text in a chosen colour and font on
// an opaque background (the ready page's wait message).
#pragma once

#include <windows.h>

#include "common/scoped_win.h"
#include "framework/font.h"
#include "framework/static_control.h"

class CXColorStatic : public CStatic {
 public:
  CXColorStatic();
  ~CXColorStatic() override;

  void SetTextColour(COLORREF colour, BOOL redraw);
  void SetBoldText(BOOL bold_text, BOOL redraw);
  // face: at most 31 characters are used; null keeps the window font's face.
  void SetFontFace(const char* face, LONG height, BOOL redraw);
  void RebuildFont(const LOGFONTA* log_font, BOOL redraw);
  // From now on, screen readers read the text out when the control shows
  // and whenever its text changes while it shows (a polite live region).
  void AnnounceChanges();

  CFont paint_font;
  COLORREF text_colour;
  COLORREF back_colour;
  ScopedBrush back_brush;
  BOOL bold = FALSE;
  int x_margin = 0;
  int y_margin = 0;
  HICON icon = nullptr;

 protected:
  const MessageMap* GetMessageMap() const override;
  void PreSubclassWindow() override;

 private:
  void Redraw();
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM dc, LPARAM);
  LRESULT OnWindowPosChanged(WPARAM, LPARAM position);
  LRESULT OnSetText(WPARAM, LPARAM);

  bool announces_changes_ = false;

  static const MessageEntry kEntries[];
  static const MessageMap kMessageMap;
};
