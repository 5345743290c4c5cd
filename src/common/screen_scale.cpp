#include "common/screen_scale.h"

#include <windows.h>

#include "common/scoped_win.h"

int ScreenDpi() {
  ScopedWindowDc screen(nullptr);
  if (!screen) return kDefaultScreenDpi;
  const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
  return dpi > 0 ? dpi : kDefaultScreenDpi;
}

int ScaleToScreen(int pixels_at_96) { return MulDiv(pixels_at_96, ScreenDpi(), kDefaultScreenDpi); }
