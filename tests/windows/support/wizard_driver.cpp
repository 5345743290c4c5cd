#include "support/wizard_driver.h"

#include <commctrl.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int kMessageTextId = 0xFFFF;  // the text of a message box

struct TopLevelSearch {
  DWORD process_id;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<TopLevelSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->process_id && IsWindowVisible(window)) search->windows.push_back(window);
  return TRUE;
}

std::vector<HWND> VisibleWindowsOf(DWORD process_id) {
  TopLevelSearch search = {process_id, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

void PostClick(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, unsigned timeout_ms) {
  for (unsigned waited = 0;; waited += 20) {
    if (condition()) return true;
    if (waited >= timeout_ms) return false;
    Sleep(20);
  }
}

std::string WindowText(HWND window) {
  // GetWindowTextA does not ask another process's controls for their text;
  // WM_GETTEXT does.
  char text[4096] = "";
  auto length = static_cast<int>(
      SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)));
  return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

bool WizardDriver::WaitForSheet(unsigned timeout_ms) {
  return WaitUntil(
      [this] {
        for (HWND window : VisibleWindowsOf(process_id_)) {
          if (GetDlgItem(window, kNext) != nullptr) {
            sheet_ = window;
            return ActivePage() != nullptr;
          }
        }
        return false;
      },
      timeout_ms);
}

int WizardDriver::ActiveIndex() const {
  HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet_, PSM_GETTABCONTROL, 0, 0));
  return static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
}

HWND WizardDriver::ActivePage() const {
  return reinterpret_cast<HWND>(SendMessageA(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0));
}

bool WizardDriver::WaitForPage(int index, unsigned timeout_ms) const {
  return WaitUntil([&] { return ActiveIndex() == index && IsWindowVisible(ActivePage()); },
                   timeout_ms);
}

void WizardDriver::Press(int id) const { PostClick(SheetButton(id)); }

void WizardDriver::SetControlText(int id, const std::string& text) const {
  SendMessageA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void WizardDriver::Click(int id) const {
  HWND control = Control(id);
  // BM_CLICK is handled when the setup gets to it; wait for that.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &ignored);
}

void WizardDriver::PressControl(int id) const { PostClick(Control(id)); }

bool WizardDriver::Checked(int id) const {
  return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND WizardDriver::WaitForMessageBox(unsigned timeout_ms) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : VisibleWindowsOf(process_id_)) {
          if (window != sheet_ && GetDlgItem(window, kMessageTextId) != nullptr) {
            found = window;
            return true;
          }
        }
        return false;
      },
      timeout_ms);
  return found;
}

HWND WizardDriver::WaitForDialog(unsigned timeout_ms) const {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window : VisibleWindowsOf(process_id_)) {
          char name[32] = "";
          GetClassNameA(window, name, sizeof name);
          if (window != sheet_ && std::string(name) == "#32770" &&
              GetDlgItem(window, kMessageTextId) == nullptr) {
            found = window;
            return true;
          }
        }
        return false;
      },
      timeout_ms);
  return found;
}

std::string WizardDriver::MessageText(HWND box) {
  return WindowText(GetDlgItem(box, kMessageTextId));
}

void WizardDriver::Answer(HWND box, int button_id) {
  PostClick(GetDlgItem(box, button_id));
  WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); });
}

bool SaveWindowBitmap(HWND window, const std::string& path) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD image_size = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + image_size;
  bool written = false;
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
              std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
              std::fwrite(bits, 1, image_size, out) == image_size;
    std::fclose(out);
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return written;
}
