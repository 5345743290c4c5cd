#include "common/screen_scale.h"

#include <windows.h>

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return kDefaultScreenDpi;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDefaultScreenDpi;
}

int ScaleToScreen(int pixels_at_96) { return MulDiv(pixels_at_96, ScreenDpi(), kDefaultScreenDpi); }
