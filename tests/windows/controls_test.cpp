// The framework's message tables and the two custom controls on real
// static controls: attaching, fonts, fitting, colours and painting.
#include <windows.h>

#include <gtest/gtest.h>

#include <oleacc.h>

#include <cstring>
#include <string>

#include "controls/accessible_object.h"
#include "controls/hyper_link.h"
#include "controls/x_color_static.h"
#include "framework/wnd.h"
#include "support/scratch.h"
#include "support/wizard_driver.h"

namespace {

// --- message tables -------------------------------------------------------

class BaseWindow : public CWnd {
 public:
  LRESULT One(WPARAM, LPARAM) { return 1; }
  LRESULT Ten(WPARAM, LPARAM) { return 10; }
  LRESULT Clicked(WPARAM, LPARAM) { return 5; }

 protected:
  const MessageMap* GetMessageMap() const override { return &kMap; }
  static const MessageEntry kEntries[];
  static const MessageMap kMap;
};
const MessageEntry BaseWindow::kEntries[] = {
    {WM_USER, 0, 0, Handler(&BaseWindow::One)},
    {WM_USER + 1, 0, 0, Handler(&BaseWindow::Ten)},
    {WM_COMMAND, 5, BN_CLICKED, Handler(&BaseWindow::Clicked)},
};
const MessageMap BaseWindow::kMap = {&CWnd::kMessageMap, kEntries, 3};

class DerivedWindow : public BaseWindow {
 public:
  LRESULT Two(WPARAM, LPARAM) { return 2; }

 protected:
  const MessageMap* GetMessageMap() const override { return &kMap; }
  static const MessageEntry kEntries[];
  static const MessageMap kMap;
};
const MessageEntry DerivedWindow::kEntries[] = {
    {WM_USER, 0, 0, Handler(&DerivedWindow::Two)},
};
const MessageMap DerivedWindow::kMap = {&BaseWindow::kMap, kEntries, 1};

LRESULT Dispatch(CWnd& window, UINT message, WPARAM wparam = 0) {
  LRESULT result = -1;
  return window.OnWndMsg(message, wparam, 0, &result) ? result : -99;
}

TEST(MessageTables, OwnEntriesFirstThenTheBaseClasses) {
  DerivedWindow derived;
  BaseWindow base;
  EXPECT_EQ(Dispatch(derived, WM_USER), 2);
  EXPECT_EQ(Dispatch(base, WM_USER), 1);
  EXPECT_EQ(Dispatch(derived, WM_USER + 1), 10);
  EXPECT_EQ(Dispatch(derived, WM_USER + 2), -99);
}

TEST(MessageTables, CommandsMatchControlIdAndNotification) {
  DerivedWindow window;
  EXPECT_EQ(Dispatch(window, WM_COMMAND, MAKEWPARAM(5, BN_CLICKED)), 5);
  EXPECT_EQ(Dispatch(window, WM_COMMAND, MAKEWPARAM(6, BN_CLICKED)), -99);
  EXPECT_EQ(Dispatch(window, WM_COMMAND, MAKEWPARAM(5, BN_DOUBLECLICKED)), -99);
}

// --- controls on a real window --------------------------------------------

class ControlHost : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "PellumaraControlHost";
    window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    RegisterClassA(&window_class);
    // Hidden unless a test paints: under Xvfb without a window manager Wine
    // waits two seconds when a shown window goes.
    parent_ = CreateWindowA("PellumaraControlHost", "host", WS_POPUP, 0, 0, 600, 300,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    LOGFONTA log_font = {};
    log_font.lfHeight = -11;
    std::strcpy(log_font.lfFaceName, "MS Sans Serif");
    dialog_font_ = CreateFontIndirectA(&log_font);
  }
  void TearDown() override {
    if (parent_ != nullptr) DestroyWindow(parent_);
    DeleteObject(dialog_font_);
  }

  HWND Static(const char* text, DWORD style, int x, int y, int width, int height) {
    HWND control = CreateWindowA("STATIC", text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                 parent_, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialog_font_), FALSE);
    return control;
  }
  static LOGFONTA FontOf(HFONT font) {
    LOGFONTA log_font = {};
    GetObjectA(font, sizeof log_font, &log_font);
    return log_font;
  }
  static HFONT WindowFont(HWND window) {
    return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
  }
  static RECT RectInParent(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  HWND parent_ = nullptr;
  HFONT dialog_font_ = nullptr;
};

TEST_F(ControlHost, LinkTakesItsTargetFromTheTextOrTheTextFromTheTarget) {
  CHyperLink from_text;
  HWND with_text = Static("Pellumara EULA", 0, 10, 10, 200, 20);
  ASSERT_TRUE(from_text.SubclassWindow(with_text));
  EXPECT_EQ(from_text.link_target, "Pellumara EULA");
  EXPECT_TRUE(GetWindowLongA(with_text, GWL_STYLE) & SS_NOTIFY);

  CHyperLink from_target;
  from_target.SetLinkTarget("https://www.pellumara.example/eula.htm");
  HWND empty = Static("", 0, 10, 40, 200, 20);
  ASSERT_TRUE(from_target.SubclassWindow(empty));
  char text[100] = "";
  GetWindowTextA(empty, text, sizeof text);
  EXPECT_STREQ(text, "https://www.pellumara.example/eula.htm");

  CHyperLink neither;
  HWND blank = Static("", 0, 10, 70, 200, 20);
  ASSERT_TRUE(neither.SubclassWindow(blank));
  EXPECT_EQ(GetWindowTextLengthA(blank), 0);
  EXPECT_TRUE(neither.link_target.empty());
}

TEST_F(ControlHost, LinkUnderlineFollowsTheMode) {
  CHyperLink link;
  HWND control = Static("Pellumara EULA", 0, 10, 10, 200, 20);
  ASSERT_TRUE(link.SubclassWindow(control));
  EXPECT_EQ(link.underline_mode, -1);
  EXPECT_EQ(WindowFont(control), dialog_font_);  // -1 was the mode already
  EXPECT_EQ(FontOf(link.normal_font).lfUnderline, 0);
  EXPECT_EQ(FontOf(link.underline_font).lfUnderline, 1);
  EXPECT_STREQ(FontOf(link.underline_font).lfFaceName, "MS Sans Serif");

  link.SetUnderlineMode(1);
  EXPECT_EQ(WindowFont(control), link.underline_font.GetSafeHandle());
  link.SetUnderlineMode(0);
  EXPECT_EQ(WindowFont(control), link.normal_font.GetSafeHandle());
  // The same mode again sends nothing: a font set behind its back stays.
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialog_font_), FALSE);
  link.SetUnderlineMode(0);
  EXPECT_EQ(WindowFont(control), dialog_font_);
}

TEST_F(ControlHost, LinkFitsItsWindowToTheTextKeepingTheAlignedEdge) {
  HDC dc = GetDC(parent_);
  CHyperLink measure;
  HWND probe = Static("Pellumara EULA", 0, 0, 200, 50, 20);
  ASSERT_TRUE(measure.SubclassWindow(probe));
  HGDIOBJ previous = SelectObject(dc, measure.underline_font.GetSafeHandle());
  SIZE text = {};
  GetTextExtentPoint32A(dc, "Pellumara EULA", 14, &text);
  SelectObject(dc, previous);
  ReleaseDC(parent_, dc);

  CHyperLink left;
  HWND left_control = Static("Pellumara EULA", 0, 100, 10, 300, 30);
  ASSERT_TRUE(left.SubclassWindow(left_control));
  RECT rect = RectInParent(left_control);
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.right - rect.left, text.cx);
  EXPECT_EQ(rect.bottom - rect.top, text.cy);

  CHyperLink right;
  HWND right_control = Static("Pellumara EULA", SS_RIGHT, 100, 50, 300, 20);
  ASSERT_TRUE(right.SubclassWindow(right_control));
  rect = RectInParent(right_control);
  EXPECT_EQ(rect.right, 400);
  EXPECT_EQ(rect.left, 400 - text.cx);

  CHyperLink centred;
  HWND centred_control = Static("Pellumara EULA", SS_CENTER, 100, 90, 300, 20);
  ASSERT_TRUE(centred.SubclassWindow(centred_control));
  rect = RectInParent(centred_control);
  EXPECT_EQ(rect.left, 100 + (300 - text.cx) / 2);
  EXPECT_EQ(rect.right, 400 - (300 - text.cx) / 2);
}

TEST_F(ControlHost, LinkColourComesFromTheReflectedColourMessage) {
  CHyperLink link;
  HWND control = Static("Pellumara EULA", 0, 10, 10, 200, 20);
  ASSERT_TRUE(link.SubclassWindow(control));
  HDC dc = GetDC(control);
  auto colour_now = [&] {
    LRESULT brush = 0;
    EXPECT_TRUE(link.OnWndMsg(Reflected(WM_CTLCOLORSTATIC), reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(control), &brush));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(NULL_BRUSH));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    return GetTextColor(dc);
  };
  EXPECT_EQ(colour_now(), RGB(0, 0, 238));
  link.visited = TRUE;
  EXPECT_EQ(colour_now(), RGB(85, 26, 139));
  link.hovering = TRUE;
  EXPECT_EQ(colour_now(), RGB(255, 0, 0));
  ReleaseDC(control, dc);
}

// Posts a timer tick with the pointer at the point and lets it be handled.
void TimerTickWithPointerAt(HWND control, POINT screen_point) {
  SetCursorPos(screen_point.x, screen_point.y);
  PostMessageA(control, WM_TIMER, 100, 0);
  MSG message;
  while (PeekMessageA(&message, control, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageA(&message);
}

TEST_F(ControlHost, LinkHoversUntilATimerTickFindsThePointerOutside) {
  CHyperLink link;
  HWND control = Static("Pellumara EULA", 0, 10, 10, 200, 20);
  ASSERT_TRUE(link.SubclassWindow(control));
  SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(link.hovering);
  EXPECT_EQ(WindowFont(control), link.underline_font.GetSafeHandle());

  RECT rect;
  GetWindowRect(control, &rect);
  TimerTickWithPointerAt(control, {rect.left + 2, rect.top + 2});
  EXPECT_TRUE(link.hovering);
  TimerTickWithPointerAt(control, {rect.right + 50, rect.bottom + 50});
  EXPECT_FALSE(link.hovering);
  EXPECT_EQ(WindowFont(control), link.normal_font.GetSafeHandle());

  // Always underlined: leaving keeps the underline.
  link.SetUnderlineMode(1);
  SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  TimerTickWithPointerAt(control, {rect.right + 50, rect.bottom + 50});
  EXPECT_FALSE(link.hovering);
  EXPECT_EQ(WindowFont(control), link.underline_font.GetSafeHandle());
}

TEST_F(ControlHost, LinkShowsTheSystemHandWithoutWinhlp32sCursor) {
  // Like current Windows, the prefix's Windows folder has no winhlp32.exe.
  char winhlp32[MAX_PATH] = "";
  GetWindowsDirectoryA(winhlp32, sizeof winhlp32);
  std::strcat(winhlp32, "\\winhlp32.exe");
  ASSERT_EQ(GetFileAttributesA(winhlp32), INVALID_FILE_ATTRIBUTES);
  CHyperLink link;
  HWND control = Static("Pellumara EULA", 0, 10, 10, 200, 20);
  ASSERT_TRUE(link.SubclassWindow(control));
  ASSERT_NE(link.hand_cursor, nullptr);
  EXPECT_TRUE(SendMessageA(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(GetCursor(), link.hand_cursor);
  ICONINFO link_hand = {};
  ICONINFO system_hand = {};
  ASSERT_TRUE(GetIconInfo(link.hand_cursor, &link_hand));
  ASSERT_TRUE(GetIconInfo(LoadCursorA(nullptr, IDC_HAND), &system_hand));
  EXPECT_EQ(link_hand.xHotspot, system_hand.xHotspot);
  EXPECT_EQ(link_hand.yHotspot, system_hand.yHotspot);
  for (const ICONINFO& info : {link_hand, system_hand}) {
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  }
}

TEST_F(ControlHost, LinkLetsGoOfItsWindowWhenTheWindowGoes) {
  CHyperLink link;
  HWND control = Static("Pellumara EULA", 0, 10, 10, 200, 20);
  ASSERT_TRUE(link.SubclassWindow(control));
  EXPECT_EQ(CWnd::FromHandlePermanent(control), &link);
  DestroyWindow(parent_);
  parent_ = nullptr;
  EXPECT_EQ(link.GetSafeHwnd(), nullptr);
}

// A screen reader may hold the link's object longer than the link lives:
// once the window is gone, the object answers nothing more.
TEST_F(ControlHost, LinksAccessibleObjectIsCutOffWhenTheWindowGoes) {
  ScopedCom com;
  CHyperLink link;
  HWND control = Static("Pellumara EULA", 0, 10, 10, 200, 20);
  ASSERT_TRUE(link.SubclassWindow(control));
  IAccessible* object = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                       kAccessibleInterfaceId, reinterpret_cast<void**>(&object)),
            S_OK);
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT role;
  VariantInit(&role);
  EXPECT_EQ(object->get_accRole(self, &role), S_OK);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_LINK);
  DestroyWindow(parent_);
  parent_ = nullptr;
  VariantInit(&role);
  const HRESULT role_after = object->get_accRole(self, &role);
  EXPECT_TRUE(FAILED(role_after)) << std::hex << role_after;
  const HRESULT action_after = object->accDoDefaultAction(self);
  EXPECT_TRUE(FAILED(action_after)) << std::hex << action_after;
  object->Release();
}

TEST_F(ControlHost, ColourStaticBuildsBoldArial18AndKeepsTheWindowFont) {
  CXColorStatic label;
  HWND control = Static("Installiere ... bitte warten ...", SS_CENTER | SS_CENTERIMAGE, 10, 10,
                        400, 30);
  ASSERT_TRUE(label.SubclassWindow(control));
  LOGFONTA copied = FontOf(label.paint_font);
  EXPECT_STREQ(copied.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(copied.lfHeight, -11);

  label.SetTextColour(RGB(255, 0, 0), FALSE);
  label.SetBoldText(TRUE, TRUE);
  EXPECT_EQ(FontOf(label.paint_font).lfWeight, FW_BOLD);
  EXPECT_STREQ(FontOf(label.paint_font).lfFaceName, "MS Sans Serif");
  label.SetFontFace("Arial", 18, TRUE);
  LOGFONTA paint = FontOf(label.paint_font);
  EXPECT_STREQ(paint.lfFaceName, "Arial");
  EXPECT_EQ(paint.lfHeight, 18);
  EXPECT_EQ(paint.lfWeight, FW_BOLD);
  EXPECT_EQ(paint.lfQuality, ANTIALIASED_QUALITY);
  EXPECT_EQ(WindowFont(control), dialog_font_);
  EXPECT_EQ(label.text_colour, RGB(255, 0, 0));

  // A later SetBoldText starts from the window's font again.
  label.SetBoldText(FALSE, FALSE);
  EXPECT_STREQ(FontOf(label.paint_font).lfFaceName, "MS Sans Serif");
  EXPECT_EQ(FontOf(label.paint_font).lfWeight, FW_NORMAL);
}

TEST_F(ControlHost, ColourStaticPaintsItsTextInItsColourOnItsBackground) {
  CXColorStatic label;
  HWND control = Static("Installiere ... bitte warten ...", SS_CENTER | SS_CENTERIMAGE, 10, 10,
                        400, 30);
  ASSERT_TRUE(label.SubclassWindow(control));
  label.SetTextColour(RGB(255, 0, 0), FALSE);
  label.SetBoldText(TRUE, TRUE);
  label.SetFontFace("Arial", 18, TRUE);

  ShowWindow(parent_, SW_SHOWNA);
  RECT client;
  GetClientRect(control, &client);
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  HDC window_dc = GetDC(control);
  int red = 0;
  int background = 0;
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) {
      COLORREF pixel = GetPixel(window_dc, x, y);
      if (pixel == RGB(255, 0, 0)) ++red;
      if (pixel == label.back_colour) ++background;
    }
  }
  ReleaseDC(control, window_dc);
  EXPECT_GT(red, 50);
  EXPECT_GT(background, client.right * client.bottom / 2);
}

// The label draws its text as the window holds it, in UTF-16: a character
// the code page lacks ("\u0141", "\u017A" on 1252, an umlaut on 932) is drawn
// itself, not a look-alike or a "?". The reference is the same text drawn
// with the same font, colours and format in a window of the same size.
TEST_F(ControlHost, ColourStaticDrawsCharactersTheCodePageLacks) {
  const wchar_t text[] = L"Bitte warten: \u0141\u00F3d\u017A";
  auto make = [&](const wchar_t* shown, int y) {
    HWND control =
        CreateWindowW(L"STATIC", shown, WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, 10, y,
                      300, 30, parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialog_font_), FALSE);
    return control;
  };
  CXColorStatic label;
  HWND control = make(text, 10);
  HWND reference = make(L"", 50);
  ASSERT_TRUE(label.SubclassWindow(control));
  label.SetFontFace("Arial", 18, FALSE);
  ShowWindow(parent_, SW_SHOWNA);
  RedrawWindow(parent_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);

  RECT client;
  GetClientRect(reference, &client);
  HDC reference_dc = GetDC(reference);
  HBRUSH back = CreateSolidBrush(label.back_colour);
  FillRect(reference_dc, &client, back);
  DeleteObject(back);
  HGDIOBJ previous = SelectObject(reference_dc, label.paint_font.GetSafeHandle());
  SetTextColor(reference_dc, label.text_colour);
  SetBkColor(reference_dc, label.back_colour);
  SetBkMode(reference_dc, OPAQUE);
  DrawTextW(reference_dc, text, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(reference_dc, previous);

  HDC control_dc = GetDC(control);
  int differing = 0;
  int ink = 0;
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) {
      const COLORREF drawn = GetPixel(control_dc, x, y);
      if (drawn != GetPixel(reference_dc, x, y)) ++differing;
      if (drawn != label.back_colour) ++ink;
    }
  }
  ReleaseDC(control, control_dc);
  ReleaseDC(reference, reference_dc);
  EXPECT_GT(ink, 50);
  EXPECT_EQ(differing, 0);
}

// A screen reader hears the message when it shows and each time its text
// changes while it shows.
TEST_F(ControlHost, ColourStaticAnnouncesItsTextWhenShownAndWhenItChanges) {
  CXColorStatic label;
  HWND control = Static("Installiere ... bitte warten ...", SS_CENTER | SS_CENTERIMAGE, 10, 10,
                        400, 30);
  ShowWindow(control, SW_HIDE);
  ASSERT_TRUE(label.SubclassWindow(control));
  label.AnnounceChanges();
  ShowWindow(parent_, SW_SHOWNA);
  WindowEventWatch events(GetCurrentProcessId());
  ASSERT_TRUE(events.hooked());
  ShowWindow(control, SW_SHOW);
  EXPECT_TRUE(events.WaitFor(AnnouncementEvent(), control, 1, 5000)) << "not announced when shown";
  SetWindowTextA(control, "Installation abgeschlossen");
  EXPECT_TRUE(events.WaitFor(AnnouncementEvent(), control, 2, 5000)) << "change not announced";
}

// --- opening a link ------------------------------------------------------

// The fall-backs are a standard user's: an elevated setup never starts a
// browser itself. Wine runs every process elevated, so the test acts with
// the filtered token that UAC links to its own.
class ActingAsStandardUser {
 public:
  ActingAsStandardUser() {
    HANDLE own = nullptr;
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size = 0;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own)) {
      if (GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size)) {
        acting_ = SetThreadToken(nullptr, linked.LinkedToken) != FALSE;
        CloseHandle(linked.LinkedToken);
      }
      CloseHandle(own);
    }
  }
  ~ActingAsStandardUser() {
    if (acting_) RevertToSelf();
  }
  ActingAsStandardUser(const ActingAsStandardUser&) = delete;
  ActingAsStandardUser& operator=(const ActingAsStandardUser&) = delete;
  bool acting() const { return acting_; }

 private:
  bool acting_ = false;
};

TEST(OpenLink, FallsBackToTheHtmlHandlersCommandLine) {
  ScratchFolder scratch("open-link");
  const std::string address = scratch / "opened-by-handler";
  {
    ActingAsStandardUser standard_user;
    ASSERT_TRUE(standard_user.acting());
    RegistryOverride registry("open-link");
    // Nothing opens the address in the shell (it does not exist), and no
    // handler is registered: the shell's failure code is the result.
    EXPECT_LE(CHyperLink::OpenLink(address.c_str(), SW_HIDE), 32);

    SetRegistryString(HKEY_CLASSES_ROOT, ".htm", nullptr, "PellumaraTestPage");
    SetRegistryString(HKEY_CLASSES_ROOT, "PellumaraTestPage\\shell\\open\\command", nullptr,
                      "C:\\windows\\system32\\cmd.exe /c mkdir \"%1\" /quoted-part-is-dropped");
    EXPECT_GT(CHyperLink::OpenLink(address.c_str(), SW_HIDE), 32);
  }
  // The handler got the address after the cut command line.
  EXPECT_TRUE(WaitUntil([&] { return FolderExists(address); }, 5000)) << address;
}

}  // namespace
