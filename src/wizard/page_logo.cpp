#include "wizard/page_logo.h"

#include <iterator>

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

HBITMAP LoadLogo(int id) {
  return static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                         IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
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
HBITMAP ScaledCopy(HBITMAP image, SIZE from, SIZE to) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = to.cx;
  info.bmiHeader.biHeight = to.cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  HDC screen = GetDC(nullptr);
  void* bits = nullptr;
  HBITMAP copy = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC source = CreateCompatibleDC(screen);
  HDC target = CreateCompatibleDC(screen);
  if (copy != nullptr && source != nullptr && target != nullptr) {
    HGDIOBJ old_source = SelectObject(source, image);
    HGDIOBJ old_target = SelectObject(target, copy);
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, 0, 0, to.cx, to.cy, source, 0, 0, from.cx, from.cy, SRCCOPY);
    SelectObject(target, old_target);
    SelectObject(source, old_source);
  }
  if (target != nullptr) DeleteDC(target);
  if (source != nullptr) DeleteDC(source);
  ReleaseDC(nullptr, screen);
  return copy;
}

}  // namespace

HBITMAP FitPageLogo(HWND page) {
  HWND control = FindPictureControl(page);
  if (control == nullptr) return nullptr;
  RECT client = {};
  GetClientRect(control, &client);
  HBITMAP image = LoadLogo(kLogoBitmaps[0]);
  if (image == nullptr) return nullptr;
  const SIZE fit = FitIntoBox(BitmapSize(image), {client.right, client.bottom});
  if (fit.cx <= 0 || fit.cy <= 0) {
    DeleteObject(image);
    return nullptr;
  }
  SetWindowPos(control, nullptr, 0, 0, fit.cx, fit.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (SameSize(BitmapSize(image), fit)) {
    DeleteObject(image);  // the control's own copy of it stays
    return nullptr;
  }
  // The smallest rendering that is at least as tall, else the largest.
  for (auto id = std::next(std::begin(kLogoBitmaps));
       BitmapSize(image).cy < fit.cy && id != std::end(kLogoBitmaps); ++id) {
    HBITMAP larger = LoadLogo(*id);
    if (larger == nullptr) break;
    DeleteObject(image);
    image = larger;
  }
  if (!SameSize(BitmapSize(image), fit)) {
    HBITMAP scaled = ScaledCopy(image, BitmapSize(image), fit);
    DeleteObject(image);
    image = scaled;
  }
  if (image == nullptr) return nullptr;
  // The control gives back the bitmap it loaded from the template; that one
  // is ours to delete now.
  auto previous = reinterpret_cast<HBITMAP>(
      SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image)));
  if (previous != nullptr && previous != image) DeleteObject(previous);
  return image;
}
