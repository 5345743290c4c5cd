#include "controls/x_color_static.h"

#include <string>

#include "controls/control_accessibility.h"
#include "controls/control_fonts.h"
#include "rules/control_rules.h"

const MessageEntry CXColorStatic::kEntries[] = {
    {WM_PAINT, 0, 0, Handler(&CXColorStatic::OnPaint)},
    {WM_ERASEBKGND, 0, 0, Handler(&CXColorStatic::OnEraseBkgnd)},
    {WM_WINDOWPOSCHANGED, 0, 0, Handler(&CXColorStatic::OnWindowPosChanged)},
    {WM_SETTEXT, 0, 0, Handler(&CXColorStatic::OnSetText)},
};
const MessageMap CXColorStatic::kMessageMap = {&CWnd::kMessageMap, kEntries,
                                               sizeof kEntries / sizeof kEntries[0]};

const MessageMap* CXColorStatic::GetMessageMap() const { return &kMessageMap; }

CXColorStatic::CXColorStatic()
    : text_colour(GetSysColor(COLOR_BTNTEXT)),
      back_colour(GetSysColor(COLOR_BTNFACE)),
      back_brush(CreateSolidBrush(back_colour)) {}

CXColorStatic::~CXColorStatic() = default;

void CXColorStatic::PreSubclassWindow() {
  // The window keeps the dialog's font; the copy is only for painting.
  LOGFONTA log_font;
  if (ReadControlFont(m_hWnd, &log_font)) paint_font.CreateFontIndirect(&log_font);
}

void CXColorStatic::Redraw() {
  if (m_hWnd != nullptr) {
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
}

void CXColorStatic::SetTextColour(COLORREF colour, BOOL redraw) {
  text_colour = colour;
  if (redraw) Redraw();
}

void CXColorStatic::SetBoldText(BOOL bold_text, BOOL redraw) {
  bold = bold_text;
  LOGFONTA window_font;
  ReadControlFont(m_hWnd, &window_font);
  const LOGFONTA record = WeightedFont(window_font, bold != FALSE);
  RebuildFont(&record, redraw);
}

void CXColorStatic::SetFontFace(const char* face, LONG height, BOOL redraw) {
  LOGFONTA window_font = {};
  if (face == nullptr) ReadControlFont(m_hWnd, &window_font);
  const LOGFONTA record = FaceFont(face, window_font, height);
  RebuildFont(&record, redraw);
}

void CXColorStatic::RebuildFont(const LOGFONTA* log_font, BOOL redraw) {
  if (log_font == nullptr) return;
  const LOGFONTA copy = WeightedFont(*log_font, bold != FALSE);
  paint_font.CreateFontIndirect(&copy);
  if (redraw) Redraw();
}

void CXColorStatic::AnnounceChanges() {
  announces_changes_ = true;
  ControlDescription live;
  live.polite_live = true;
  DescribeControl(m_hWnd, live);
}

LRESULT CXColorStatic::OnWindowPosChanged(WPARAM, LPARAM position) {
  const LRESULT result = Default();
  const auto* changed = reinterpret_cast<const WINDOWPOS*>(position);
  if (announces_changes_ && changed != nullptr && (changed->flags & SWP_SHOWWINDOW) != 0) {
    AnnounceChange(m_hWnd);
  }
  return result;
}

LRESULT CXColorStatic::OnSetText(WPARAM, LPARAM) {
  const LRESULT result = Default();
  if (announces_changes_) AnnounceChange(m_hWnd);  // only while shown
  return result;
}

LRESULT CXColorStatic::OnEraseBkgnd(WPARAM dc, LPARAM) {
  RECT client;
  GetClientRect(m_hWnd, &client);
  FillRect(reinterpret_cast<HDC>(dc), &client, back_brush.Get());
  return TRUE;
}

LRESULT CXColorStatic::OnPaint(WPARAM, LPARAM) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  int saved = SaveDC(dc);
  SetTextColor(dc, text_colour);
  SetBkColor(dc, back_colour);
  SetBkMode(dc, OPAQUE);
  SelectObject(dc, back_brush.Get());

  RECT client;
  GetClientRect(m_hWnd, &client);
  if (icon != nullptr) {
    client.left += (client.right - client.left - GetSystemMetrics(SM_CXICON)) / 2;
    client.top += (client.bottom - client.top - GetSystemMetrics(SM_CYICON)) / 2;
    DrawIcon(dc, client.left, client.top, icon);
  } else {
    if (paint_font.GetSafeHandle() != nullptr) SelectObject(dc, paint_font.GetSafeHandle());
    // In UTF-16, as the window holds it: the code page may lack its letters.
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(m_hWnd)) + 1, L'\0');
    int length = GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()));
    const LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
    UINT format = DT_LEFT;
    if (style & SS_CENTER) {
      format = DT_CENTER;
    } else if (style & SS_RIGHT) {
      format = DT_RIGHT;
    }
    format |= (style & SS_CENTERIMAGE) ? (DT_VCENTER | DT_SINGLELINE) : DT_WORDBREAK;
    client.left += x_margin;
    client.top += y_margin;
    DrawTextW(dc, text.c_str(), length, &client, format);
  }
  RestoreDC(dc, saved);
  EndPaint(m_hWnd, &paint);
  return 0;
}
