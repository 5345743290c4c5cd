#include "common/viewer_window.h"

#include <windows.h>

bool IsViewerRunning() { return FindWindowA(kViewerWindowClass, nullptr) != nullptr; }

int WaitForViewerWindow() {
  constexpr int kTries = 5;
  constexpr DWORD kPause = 500;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    HWND viewer = FindWindowExA(nullptr, nullptr, kViewerWindowClass, nullptr);
    if (viewer != nullptr) {
      SetForegroundWindow(viewer);
      return 1;
    }
    Sleep(kPause);
  }
  return 0;
}
