// What a control tells screen readers about itself beyond what Windows'
// standard accessible object of its window class says: an object that
// answers for the standard one where the control has something to add, and
// hands the rest to it.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <memory>
#include <string>

#include "common/scoped_win.h"

// MinGW's static IID_IAccessible (libuuid) is not the interface's id.
constexpr IID kAccessibleInterfaceId = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// Fixed facts about one control's own element (not its children).
struct AccessibleFacts {
  bool names = false;  // name replaces the standard name; empty: no name at all
  std::wstring name;
  LONG role = 0;  // 0: the standard object's role
};

// A control whose state and default action change while it lives.
class AccessibleBehaviour {
 public:
  virtual LONG AddedStates() const = 0;
  virtual const wchar_t* DefaultActionName() const = 0;
  // Called on the window's thread, from within the client's request:
  // post what may take longer or show a window.
  virtual void DoDefaultAction() = 0;

 protected:
  ~AccessibleBehaviour() = default;
};

class AccessibleProxy;

// One window's accessible object, made on the first request and handed to
// every client that asks the window through WM_GETOBJECT. When the window
// goes, Disconnect cuts every client off from it, so that no call reaches
// a control that is gone.
class AccessibleServer {
 public:
  explicit AccessibleServer(AccessibleFacts facts, AccessibleBehaviour* behaviour = nullptr);
  ~AccessibleServer();
  AccessibleServer(const AccessibleServer&) = delete;
  AccessibleServer& operator=(const AccessibleServer&) = delete;

  // The answer to WM_GETOBJECT: the object for OBJID_CLIENT, 0 for every
  // other object id (the system's answer stands then).
  LRESULT Answer(HWND window, WPARAM flags, LPARAM object_id);
  void Disconnect();

 private:
  AccessibleFacts facts_;
  AccessibleBehaviour* behaviour_;
  // The object lives in this thread's apartment while clients hold it.
  std::unique_ptr<ScopedCom> com_;
  AccessibleProxy* proxy_ = nullptr;
};
