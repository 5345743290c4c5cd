// Drives the setup's wizard from another process, the way a person would:
// finds the sheet and its page, reads and sets controls, presses buttons
// and answers message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "common/scoped_win.h"
#include "support/waiting.h"

constexpr int kBack = 0x3023;
constexpr int kNext = 0x3024;
constexpr int kCancel = IDCANCEL;

std::string WindowText(HWND window);
// The window's text as Windows holds it, in UTF-16: what a person sees on
// any code page (WindowText converts it through this process's code page).
std::wstring WideWindowText(HWND window);

class WizardDriver {
 public:
  explicit WizardDriver(unsigned long process_id) : process_id_(process_id) {}

  // Waits until the sheet shows a page; false when it does not in time.
  [[nodiscard]] bool WaitForSheet(unsigned timeout_ms = 30000);
  HWND sheet() const { return sheet_; }

  // The page on show: index from the sheet's tab control, and its window.
  int ActiveIndex() const;
  HWND ActivePage() const;
  [[nodiscard]] bool WaitForPage(int index, unsigned timeout_ms = 10000) const;

  HWND SheetButton(int id) const { return GetDlgItem(sheet_, id); }
  std::string ButtonText(int id) const { return WindowText(SheetButton(id)); }
  bool ButtonEnabled(int id) const { return IsWindowEnabled(SheetButton(id)) != FALSE; }
  // Presses a sheet button as a click does (posted, so a message box that
  // the click opens does not block the driver).
  void Press(int id) const;

  HWND Control(int id) const { return GetDlgItem(ActivePage(), id); }
  // The active page's picture control (the static control with SS_BITMAP).
  HWND PictureControl() const;
  std::string ControlText(int id) const { return WindowText(Control(id)); }
  void SetControlText(int id, const std::string& text) const;
  void Click(int id) const;  // a button or check box of the page
  // Presses a page button that opens a dialog, without waiting for it.
  void PressControl(int id) const;
  bool Checked(int id) const;
  bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
  bool Visible(int id) const { return IsWindowVisible(Control(id)) != FALSE; }

  // A list view of the active page, read and clicked across the process
  // boundary.
  int ListItemCount(int id) const;
  // The item's state image: 1 unchecked, 2 checked, 0 none.
  int ListStateImage(int id, int item) const;
  int ListColumnWidth(int id, int column) const;
  std::string ListItemText(int id, int item, int subitem) const;
  // A left click on the item's check box, as the mouse gives it. False when
  // the check box was not found or the click did not toggle it in time.
  [[nodiscard]] bool ClickListCheckBox(int id, int item) const;

  // Real key presses (SendInput) reach the window in front: puts the sheet
  // there. False when it does not get there in time.
  [[nodiscard]] bool BringToFront() const;
  // The setup's window that has the keyboard focus, or null.
  HWND Focus() const;
  // Presses Tab until the control has the focus; false when it never gets
  // it within a round of the sheet's Tab stops.
  [[nodiscard]] bool TabTo(HWND control) const;
  // Presses the keys one after the other and lets them go in reverse order,
  // as a person does for Alt+F4; one key is a plain press.
  static void PressKeys(std::initializer_list<WORD> keys);

  // A message box of the setup, or null when none appears in time.
  [[nodiscard]] HWND WaitForMessageBox(unsigned timeout_ms = 10000) const;
  // How many message boxes of the setup are open, also one that is made
  // but not shown yet (a dialog shows once its thread has nothing to do).
  int MessageBoxCount() const;
  // Posts a message behind every message posted to the sheet's thread so
  // far and waits until the thread has handled it, and so every one before
  // it; then once more, for what those posted in turn. False when it was
  // not handled in time.
  [[nodiscard]] bool HandledPostedSoFar(unsigned timeout_ms = 10000) const;
  // Another dialog of the setup (not the sheet, not a message box).
  [[nodiscard]] HWND WaitForDialog(unsigned timeout_ms = 10000) const;
  static std::string MessageText(HWND box);
  static std::wstring WideMessageText(HWND box);
  // Clicks the box's button and waits until the box has gone; false when it
  // stays.
  [[nodiscard]] static bool Answer(HWND box, int button_id);
  // Presses Enter in the message box, whose default button answers, and
  // waits until the box has gone; false when it stays.
  [[nodiscard]] static bool PressEnter(HWND box);

 private:
  unsigned long process_id_;
  HWND sheet_ = nullptr;
};

// An out-of-context hook of SetWinEventHook, removed with UnhookWinEvent.
struct WinEventHookTraits : scoped_win_detail::NullTraits<HWINEVENTHOOK> {
  static bool Release(HWINEVENTHOOK hook) { return UnhookWinEvent(hook) != FALSE; }
};
using ScopedWinEventHook = scoped_win_detail::Owner<HWINEVENTHOOK, WinEventHookTraits>;

// Window events a process raises (its own NotifyWinEvent calls and the
// system's), seen as a screen reader sees them: through an out-of-context
// hook, delivered while this thread waits for them. One watch at a time.
class WindowEventWatch {
 public:
  explicit WindowEventWatch(DWORD process_id);
  ~WindowEventWatch();
  WindowEventWatch(const WindowEventWatch&) = delete;
  WindowEventWatch& operator=(const WindowEventWatch&) = delete;

  bool hooked() const { return hook_.IsValid(); }
  // Delivers the hook's calls until the window has raised the event for its
  // client area count times; false when it has not in time.
  [[nodiscard]] bool WaitFor(DWORD event, HWND window, int count, unsigned timeout_ms);

 private:
  static void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child,
                              DWORD, DWORD);
  int Count(DWORD event, HWND window) const;

  std::vector<std::pair<DWORD, HWND>> events_;
  ScopedWinEventHook hook_;
};

// The event that announces a changed text: a live-region change from
// Windows 10 1709 on, an alert before.
DWORD AnnouncementEvent();

// A top-level window of the viewer's class in this process, as a running
// viewer has.
class FakeViewer {
 public:
  FakeViewer();
  ~FakeViewer() { Close(); }
  FakeViewer(const FakeViewer&) = delete;
  FakeViewer& operator=(const FakeViewer&) = delete;
  void Close();
  bool exists() const { return window_ != nullptr; }

 private:
  HWND window_ = nullptr;
};

// Wine quirk: Xvfb runs no window manager, and Wine's X11 driver waits two
// seconds for every managed top-level window it hides (each message box,
// the sheet). Unmanaged windows are hidden at once. Set in the prefix
// before the setup starts, which reads it then.
void UseUnmanagedWindows();

// Makes the prefix report the screen DPI to the programs started from now
// on (96 is 100 % display scaling, 192 is 200 %); Wine reads it when a
// program starts.
void SetScreenDpiForNewPrograms(DWORD dpi);

// The window's pixels as they are on the screen, row by row from the top.
std::vector<COLORREF> PixelsOf(HWND window);
// How many pixels of the window's rectangle on the screen have the colour.
int PixelsOnScreen(HWND window, COLORREF colour);
// The box around what is drawn in the window on the screen: every pixel
// whose colour is not the window's most common one (its background).
// Relative to the window; empty when nothing is drawn.
RECT InkOnScreen(HWND window);

// Saves the window as it is on the screen as a 24-bit BMP file.
bool SaveWindowBitmap(HWND window, const std::string& path);
