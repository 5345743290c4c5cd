// The stand-in's window object: one window handle, a message table per
// class that chains to the base class's table, and subclassing of an
// existing window (a dialog's control, the property sheet) into the object.
#pragma once

#include <windows.h>

#include <cstddef>

class CWnd;

using MessageHandler = LRESULT (CWnd::*)(WPARAM, LPARAM);

// One row of a message table. For WM_COMMAND (and its reflected form) the
// row matches on the control id (0: any) and the notification code; for
// other messages both are 0 and ignored.
struct MessageEntry {
  UINT message;
  UINT control_id;
  UINT notification;
  MessageHandler handler;
};

struct MessageMap {
  const MessageMap* base;  // the base class's table, scanned after this one
  const MessageEntry* entries;
  std::size_t count;
};

// A message the parent dialog hands back to its child control's object, as
// the control's own concern (its colours, its click notification).
constexpr UINT kReflectBase = 0xBC00;
constexpr UINT Reflected(UINT message) { return kReflectBase + message; }

template <class Derived>
constexpr MessageHandler Handler(LRESULT (Derived::*handler)(WPARAM, LPARAM)) {
  return static_cast<MessageHandler>(handler);
}

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }

  // Subclasses the control id of the dialog into this object; runs
  // PreSubclassWindow first. False when there is no such control or the
  // object already has a window.
  bool SubclassDlgItem(UINT id, HWND dialog);
  bool SubclassWindow(HWND window);
  void UnsubclassWindow();

  virtual BOOL DestroyWindow();

  // The object a subclassed window belongs to, or null.
  static CWnd* FromHandlePermanent(HWND window);

  // Looks the message up in the class's table chain and runs the handler.
  // True when a row matched; the handler's result is in *result.
  virtual bool OnWndMsg(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

  HWND m_hWnd = nullptr;

 protected:
  virtual const MessageMap* GetMessageMap() const;
  virtual void PreSubclassWindow() {}
  // The default processing of the message being handled.
  LRESULT Default();

  static const MessageMap kMessageMap;

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR data);
  struct CurrentMessage {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
  };
  CurrentMessage current_ = {};
  bool subclassed_ = false;
};
