// The window that owns the engine's message boxes in wizard mode.
#pragma once

#include <windows.h>

// While an object of this class lives, the engine's message boxes are owned
// by the window (the wizard's sheet) whichever window is active: an ownerless
// box would leave the sheet enabled while the installation waits for it.
class ScopedMessageOwner {
 public:
  explicit ScopedMessageOwner(HWND owner);
  ~ScopedMessageOwner();
  ScopedMessageOwner(const ScopedMessageOwner&) = delete;
  ScopedMessageOwner& operator=(const ScopedMessageOwner&) = delete;

 private:
  HWND previous_;
};

// The owner of the engine's next message box: the window set above, else
// the active window.
HWND MessageOwner();
