#include "wizard/page_logo.h"

#include <iterator>
#include <utility>

#include "resources/resource.h"

namespace {

// The renderings of the logo, smallest first: 96, 144, 192 and 288 DPI.
const int kLogoBitmaps[] = {IDB_LOGO, IDB_LOGO_144, IDB_LOGO_192, IDB_LOGO_288};

// The renderings are 32-bit: the drawing over this background, and in the
// fourth byte how much of each pixel the drawing covers
// (tools/art/make_logo.py).
constexpr int kDrawingBackground[] = {240, 240, 240};  // blue, green, red
constexpr int kFullCoverage = 255;

ScopedBitmap LoadLogo(int id) {
  return ScopedBitmap(static_cast<HBITMAP>(LoadImageA(
      GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info = {};
  GetObjectA(bitmap, sizeof info, &info);
  return {info.bmWidth, info.bmHeight};
}

// The largest size of the logo's proportions that fits the box.
SIZE FitIntoBox(SIZE logo, SIZE box) {
  SIZE fit = {MulDiv(logo.cx, box.cy, logo.cy), box.cy};
  if (fit.cx > box.cx) fit = {box.cx, MulDiv(logo.cy, box.cx, logo.cx)};
  return fit;
}

// A copy of the image at another size. The halftone mode averages the
// source pixels behind each output pixel instead of dropping rows.
ScopedBitmap ScaledCopy(HBITMAP image, SIZE from, SIZE to) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = to.cx;
  info.bmiHeader.biHeight = to.cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  ScopedWindowDc screen(nullptr);
  void* bits = nullptr;
  ScopedBitmap copy(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ScopedMemoryDc source(CreateCompatibleDC(screen.Get()));
  ScopedMemoryDc target(CreateCompatibleDC(screen.Get()));
  if (copy && source && target) {
    ScopedSelect source_image(source.Get(), image);
    ScopedSelect target_image(target.Get(), copy.Get());
    SetStretchBltMode(target.Get(), HALFTONE);
    SetBrushOrgEx(target.Get(), 0, 0, nullptr);
    StretchBlt(target.Get(), 0, 0, to.cx, to.cy, source.Get(), 0, 0, from.cx, from.cy, SRCCOPY);
  }
  return copy;
}

// Puts the logo on the page's face colour instead of the drawing's fixed
// background, also where the drawing covers a pixel only in part: a high
// contrast or any other scheme shows no light box around it.
void UseFaceColourBehind(HBITMAP image) {
  DIBSECTION section = {};
  if (GetObjectA(image, sizeof section, &section) != sizeof section ||
      section.dsBm.bmBitsPixel != 32 || section.dsBm.bmBits == nullptr) {
    return;
  }
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const int face_channels[] = {GetBValue(face), GetGValue(face), GetRValue(face)};
  auto* rows = static_cast<BYTE*>(section.dsBm.bmBits);
  for (LONG y = 0; y < section.dsBm.bmHeight; ++y) {
    BYTE* pixel = rows + y * section.dsBm.bmWidthBytes;
    for (LONG x = 0; x < section.dsBm.bmWidth; ++x, pixel += 4) {
      const int uncovered = kFullCoverage - pixel[3];
      for (int channel = 0; channel < 3; ++channel) {
        const int shift = uncovered * (face_channels[channel] - kDrawingBackground[channel]);
        const int value = pixel[channel] + shift / kFullCoverage;
        pixel[channel] = static_cast<BYTE>(value < 0 ? 0 : value > 255 ? 255 : value);
      }
    }
  }
}

}  // namespace

HWND FindPictureControl(HWND page) {
  for (HWND child = GetWindow(page, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    char name[16] = "";
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") == 0 &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) {
      return child;
    }
  }
  return nullptr;
}

ScopedBitmap FitPageLogo(HWND page) {
  HWND control = FindPictureControl(page);
  if (control == nullptr) return {};
  RECT client = {};
  GetClientRect(control, &client);
  ScopedBitmap image = LoadLogo(kLogoBitmaps[0]);
  if (!image) return {};
  const SIZE fit = FitIntoBox(BitmapSize(image.Get()), {client.right, client.bottom});
  if (fit.cx <= 0 || fit.cy <= 0) return {};
  SetWindowPos(control, nullptr, 0, 0, fit.cx, fit.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The smallest rendering that is at least as tall, else the largest.
  for (auto id = std::next(std::begin(kLogoBitmaps));
       BitmapSize(image.Get()).cy < fit.cy && id != std::end(kLogoBitmaps); ++id) {
    ScopedBitmap larger = LoadLogo(*id);
    if (!larger) break;
    image = std::move(larger);
  }
  UseFaceColourBehind(image.Get());
  // Always a copy of 24 bits: the control shows it as it is, never blended
  // by the coverage byte. At the rendering's own size it is a plain copy.
  image = ScaledCopy(image.Get(), BitmapSize(image.Get()), fit);
  if (!image) return {};
  // The control gives back the bitmap it loaded from the template; that one
  // is ours to delete now.
  ScopedBitmap previous(reinterpret_cast<HBITMAP>(
      SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image.Get()))));
  if (previous.Get() == image.Get()) previous.Detach();
  return image;
}
