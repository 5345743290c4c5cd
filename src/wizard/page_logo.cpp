#include "wizard/page_logo.h"

#include <iterator>
#include <utility>

#include "resources/resource.h"

namespace {

// The renderings of the logo, smallest first: 96, 144, 192 and 288 DPI.
const int kLogoBitmaps[] = {IDB_LOGO, IDB_LOGO_144, IDB_LOGO_192, IDB_LOGO_288};

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

ScopedBitmap LoadLogo(int id) {
  return ScopedBitmap(static_cast<HBITMAP>(LoadImageA(
      GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info = {};
  GetObjectA(bitmap, sizeof info, &info);
  return {info.bmWidth, info.bmHeight};
}

bool SameSize(SIZE a, SIZE b) { return a.cx == b.cx && a.cy == b.cy; }

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

}  // namespace

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
  // At this size the control's own copy of the image stays.
  if (SameSize(BitmapSize(image.Get()), fit)) return {};
  // The smallest rendering that is at least as tall, else the largest.
  for (auto id = std::next(std::begin(kLogoBitmaps));
       BitmapSize(image.Get()).cy < fit.cy && id != std::end(kLogoBitmaps); ++id) {
    ScopedBitmap larger = LoadLogo(*id);
    if (!larger) break;
    image = std::move(larger);
  }
  if (!SameSize(BitmapSize(image.Get()), fit)) {
    image = ScaledCopy(image.Get(), BitmapSize(image.Get()), fit);
  }
  if (!image) return {};
  // The control gives back the bitmap it loaded from the template; that one
  // is ours to delete now.
  ScopedBitmap previous(reinterpret_cast<HBITMAP>(
      SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image.Get()))));
  if (previous.Get() == image.Get()) previous.Detach();
  return image;
}
