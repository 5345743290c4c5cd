#include "controls/hyper_link.h"

#include <commctrl.h>

#include "common/messages.h"
#include "controls/control_fonts.h"
#include "controls/link_cursor.h"
#include "controls/link_opening.h"
#include "rules/control_rules.h"

namespace {

// Posted to the link by its accessible object: the default action runs from
// the message loop, not inside the screen reader's call.
constexpr UINT kOpenRequested = WM_APP + 1;

}  // namespace

const MessageEntry CHyperLink::kEntries[] = {
    {Reflected(WM_CTLCOLORSTATIC), 0, 0, Handler(&CHyperLink::CtlColor)},
    {WM_SETCURSOR, 0, 0, Handler(&CHyperLink::OnSetCursor)},
    {WM_MOUSEMOVE, 0, 0, Handler(&CHyperLink::OnMouseMove)},
    {WM_TIMER, 0, 0, Handler(&CHyperLink::OnTimer)},
    {Reflected(WM_COMMAND), 0, STN_CLICKED, Handler(&CHyperLink::OnLinkClicked)},
    {WM_ERASEBKGND, 0, 0, Handler(&CHyperLink::OnEraseBkgnd)},
    {WM_GETDLGCODE, 0, 0, Handler(&CHyperLink::OnGetDlgCode)},
    {WM_KEYDOWN, 0, 0, Handler(&CHyperLink::OnKeyDown)},
    {WM_SETFOCUS, 0, 0, Handler(&CHyperLink::OnFocusChange)},
    {WM_KILLFOCUS, 0, 0, Handler(&CHyperLink::OnFocusChange)},
    {WM_UPDATEUISTATE, 0, 0, Handler(&CHyperLink::OnUpdateUiState)},
    {WM_PAINT, 0, 0, Handler(&CHyperLink::OnPaint)},
    {WM_GETOBJECT, 0, 0, Handler(&CHyperLink::OnGetObject)},
    {WM_DESTROY, 0, 0, Handler(&CHyperLink::OnDestroy)},
    {kOpenRequested, 0, 0, Handler(&CHyperLink::OnOpenRequested)},
};
const MessageMap CHyperLink::kMessageMap = {&CWnd::kMessageMap, kEntries,
                                            sizeof kEntries / sizeof kEntries[0]};

const MessageMap* CHyperLink::GetMessageMap() const { return &kMessageMap; }

CHyperLink::CHyperLink()
    : link_colour(MakeColour(0, 0, 238)),
      visited_colour(MakeColour(85, 26, 139)),
      hover_colour(MakeColour(255, 0, 0)),
      accessible_(AccessibleFacts{false, L"", ROLE_SYSTEM_LINK}, this) {}

CHyperLink::~CHyperLink() = default;

void CHyperLink::PreSubclassWindow() {
  // Clicks on a static control only notify its parent with SS_NOTIFY; a
  // link is reached with Tab as well as with the mouse.
  SetWindowLongA(m_hWnd, GWL_STYLE, GetWindowLongA(m_hWnd, GWL_STYLE) | SS_NOTIFY | WS_TABSTOP);

  // The text and the address are the setup's own (code page 1252).
  const std::string text = OwnWindowText(m_hWnd);
  if (link_target.empty()) link_target = text;
  if (text.empty()) SetOwnWindowText(m_hWnd, link_target);

  LOGFONTA log_font;
  ReadControlFont(m_hWnd, &log_font);
  normal_font.CreateFontIndirect(&log_font);
  log_font.lfUnderline = 1;
  underline_font.CreateFontIndirect(&log_font);

  FitToText();
  LoadHandCursor();
  SetUnderlineMode(-1);
}

void CHyperLink::SetUnderlineMode(int mode) {
  if (mode == underline_mode) return;
  if (m_hWnd != nullptr) {
    HFONT font = mode == 1 ? underline_font : normal_font;
    SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    InvalidateRect(m_hWnd, nullptr, TRUE);
  }
  underline_mode = mode;
}

void CHyperLink::SetLinkTarget(const char* address) {
  link_target = address != nullptr ? address : "";
  if (m_hWnd != nullptr) FitToText();
}

void CHyperLink::FitToText() {
  if (m_hWnd == nullptr || !auto_size) return;
  RECT window;
  RECT client;
  GetWindowRect(m_hWnd, &window);
  GetClientRect(m_hWnd, &client);
  MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  HWND parent = GetParent(m_hWnd);
  if (parent != nullptr) {
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&client), 2);
  }

  // Measured in UTF-16, as the static draws it.
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(m_hWnd)) + 1, L'\0');
  const int length = GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()));
  SIZE extent = {0, 0};
  {
    ScopedWindowDc dc(m_hWnd);
    ScopedSelect font(dc.Get(), underline_font.GetSafeHandle());
    GetTextExtentPoint32W(dc.Get(), text.c_str(), length, &extent);
  }

  const Box fitted = FitBoxToText({window.left, window.top, window.right, window.bottom},
                                  {client.left, client.top, client.right, client.bottom},
                                  extent.cx, extent.cy,
                                  static_cast<unsigned>(GetWindowLongA(m_hWnd, GWL_STYLE)));
  SetWindowPos(m_hWnd, nullptr, fitted.left, fitted.top, fitted.right - fitted.left,
               fitted.bottom - fitted.top, SWP_NOZORDER);
}

void CHyperLink::LoadHandCursor() {
  if (hand_cursor != nullptr) return;
  hand_cursor_owner = LoadLinkHandCursor();
  hand_cursor = hand_cursor_owner.Get();
}

namespace {

bool HighContrastIsOn() {
  HIGHCONTRASTA contrast = {};
  contrast.cbSize = sizeof contrast;
  return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace

LRESULT CHyperLink::CtlColor(WPARAM dc, LPARAM) {
  auto context = reinterpret_cast<HDC>(dc);
  // The fixed blue and purple are hardly readable on a dark high-contrast
  // background; the scheme's own link colour is made for it.
  COLORREF link = link_colour;
  COLORREF visited_link = visited_colour;
  if (HighContrastIsOn()) link = visited_link = GetSysColor(COLOR_HOTLIGHT);
  SetTextColor(context, LinkTextColour(hovering, visited, link, visited_link, hover_colour));
  SetBkMode(context, TRANSPARENT);
  return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

LRESULT CHyperLink::OnSetCursor(WPARAM, LPARAM) {
  if (hand_cursor == nullptr) return FALSE;
  SetCursor(hand_cursor);
  return TRUE;
}

LRESULT CHyperLink::OnMouseMove(WPARAM, LPARAM) {
  if (!hovering) {
    hovering = TRUE;
    if (underline_mode == -1) {
      SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(underline_font.GetSafeHandle()),
                   TRUE);
    }
    InvalidateRect(m_hWnd, nullptr, TRUE);
    SetTimer(m_hWnd, timer_id, 100, nullptr);
  }
  return Default();
}

LRESULT CHyperLink::OnTimer(WPARAM, LPARAM) {
  DWORD position = GetMessagePos();
  POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  ScreenToClient(m_hWnd, &point);
  RECT client;
  GetClientRect(m_hWnd, &client);
  if (!PtInRect(&client, point)) {
    hovering = FALSE;
    KillTimer(m_hWnd, timer_id);
    if (underline_mode != 1) {
      SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(normal_font.GetSafeHandle()),
                   TRUE);
    }
    client.bottom += 10;
    InvalidateRect(m_hWnd, &client, TRUE);
  }
  return Default();
}

LRESULT CHyperLink::OnLinkClicked(WPARAM, LPARAM) {
  hovering = FALSE;
  int result = OpenLink(link_target.c_str(), SW_SHOW);
  const BOOL was_visited = visited;
  visited = result > 32;
  if (visited != was_visited) ReportStateChange();
  if (!visited && result != kLinkAddressShown) {
    MessageBeep(MB_ICONEXCLAMATION);
  } else if (m_hWnd != nullptr) {
    InvalidateRect(m_hWnd, nullptr, TRUE);
  }
  return 0;
}

LRESULT CHyperLink::OnEraseBkgnd(WPARAM dc, LPARAM) {
  RECT client;
  GetClientRect(m_hWnd, &client);
  FillRect(reinterpret_cast<HDC>(dc), &client, GetSysColorBrush(COLOR_BTNFACE));
  return TRUE;
}

LRESULT CHyperLink::OnGetDlgCode(WPARAM, LPARAM message) {
  LRESULT code = Default();
  // Enter would otherwise press the dialog's default button.
  const auto* key = reinterpret_cast<const MSG*>(message);
  if (key != nullptr && (key->message == WM_KEYDOWN || key->message == WM_CHAR) &&
      (key->wParam == VK_RETURN || key->wParam == VK_SPACE)) {
    code |= DLGC_WANTMESSAGE;
  }
  return code;
}

LRESULT CHyperLink::OnKeyDown(WPARAM key, LPARAM flags) {
  constexpr LPARAM kKeyWasDown = 1 << 30;  // an auto-repeat opens nothing more
  if ((key == VK_RETURN || key == VK_SPACE) && (flags & kKeyWasDown) == 0) {
    OnLinkClicked(0, 0);
    return 0;
  }
  return Default();
}

LRESULT CHyperLink::OnFocusChange(WPARAM, LPARAM) {
  InvalidateRect(m_hWnd, nullptr, TRUE);
  const LRESULT result = Default();
  // The system reports the focus moving here; the link's focused state is
  // its own to report.
  ReportStateChange();
  return result;
}

LRESULT CHyperLink::OnUpdateUiState(WPARAM, LPARAM) {
  const LRESULT result = Default();
  InvalidateRect(m_hWnd, nullptr, TRUE);  // the focus cue may have come or gone
  return result;
}

bool CHyperLink::ShowsFocus() const {
  if (GetFocus() != m_hWnd) return false;
  return (SendMessageA(m_hWnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

LRESULT CHyperLink::OnPaint(WPARAM, LPARAM) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  // The static draws its text into this DC; the focus rectangle goes over
  // it within the same clipping, so that no part of it is drawn twice.
  DefSubclassProc(m_hWnd, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  if (ShowsFocus()) {
    RECT client;
    GetClientRect(m_hWnd, &client);
    DrawFocusRect(dc, &client);
  }
  EndPaint(m_hWnd, &paint);
  return 0;
}

void CHyperLink::ReportStateChange() {
  if (m_hWnd != nullptr) NotifyWinEvent(EVENT_OBJECT_STATECHANGE, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
}

LRESULT CHyperLink::OnGetObject(WPARAM flags, LPARAM object_id) {
  if (const LRESULT answer = accessible_.Answer(m_hWnd, flags, object_id)) return answer;
  return Default();
}

LRESULT CHyperLink::OnDestroy(WPARAM, LPARAM) {
  accessible_.Disconnect();
  return Default();
}

LRESULT CHyperLink::OnOpenRequested(WPARAM, LPARAM) {
  // As a click: only a link on the screen opens (not one of a page that
  // another page covers).
  if (!IsWindowVisible(m_hWnd)) return 0;
  return OnLinkClicked(0, 0);
}

LONG CHyperLink::AddedStates() const {
  LONG states = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED;
  if (m_hWnd != nullptr && GetFocus() == m_hWnd) states |= STATE_SYSTEM_FOCUSED;
  if (visited) states |= STATE_SYSTEM_TRAVERSED;
  return states;
}

const wchar_t* CHyperLink::DefaultActionName() const { return L"\u00D6ffnen"; }

void CHyperLink::DoDefaultAction() {
  if (m_hWnd != nullptr) PostMessageA(m_hWnd, kOpenRequested, 0, 0);
}

BOOL CHyperLink::DestroyWindow() {
  if (m_hWnd != nullptr) KillTimer(m_hWnd, timer_id);
  return CStatic::DestroyWindow();
}

int CHyperLink::OpenLink(const char* address, int show_command) {
  return OpenLinkAddress(address, show_command);
}
