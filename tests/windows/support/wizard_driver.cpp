#include "support/wizard_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <vector>

#include "common/scoped_win.h"

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

BOOL CALLBACK CollectAnyTopLevel(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<TopLevelSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->process_id) search->windows.push_back(window);
  return TRUE;
}

std::vector<HWND> VisibleWindowsOf(DWORD process_id) {
  TopLevelSearch search = {process_id, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

// Shown or not.
std::vector<HWND> TopLevelWindowsOf(DWORD process_id) {
  TopLevelSearch search = {process_id, {}};
  EnumWindows(CollectAnyTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

void PostClick(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

// A block of memory in the setup's process, for list-view messages that
// take a pointer.
class RemoteBlock {
 public:
  RemoteBlock(DWORD process_id, std::size_t size)
      : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                             process_id)),
        size_(size) {
    if (process_) {
      address_ =
          VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
  }
  ~RemoteBlock() {
    if (address_ != nullptr) VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool ok() const { return address_ != nullptr; }
  char* at(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
  LPARAM param() const { return reinterpret_cast<LPARAM>(address_); }
  bool Write(std::size_t offset, const void* data, std::size_t size) const {
    return offset + size <= size_ &&
           WriteProcessMemory(process_.Get(), at(offset), data, size, nullptr) != FALSE;
  }
  bool Read(std::size_t offset, void* data, std::size_t size) const {
    return offset + size <= size_ &&
           ReadProcessMemory(process_.Get(), at(offset), data, size, nullptr) != FALSE;
  }

 private:
  ScopedHandle process_;
  void* address_ = nullptr;
  std::size_t size_;
};

}  // namespace

std::string WindowText(HWND window) {
  // GetWindowTextA does not ask another process's controls for their text;
  // WM_GETTEXT does.
  char text[4096] = "";
  auto length = static_cast<int>(
      SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)));
  return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::wstring WideWindowText(HWND window) {
  wchar_t text[4096] = L"";
  auto length = static_cast<int>(SendMessageW(window, WM_GETTEXT, sizeof text / sizeof text[0],
                                              reinterpret_cast<LPARAM>(text)));
  return std::wstring(text, length > 0 ? static_cast<std::size_t>(length) : 0);
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

HWND WizardDriver::PictureControl() const {
  for (HWND child = GetWindow(ActivePage(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) return child;
  }
  return nullptr;
}

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

bool WizardDriver::BringToFront() const {
  SetForegroundWindow(sheet_);
  return WaitUntil([this] { return GetForegroundWindow() == sheet_; }, 5000);
}

HWND WizardDriver::Focus() const {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(sheet_, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool WizardDriver::TabTo(HWND control) const {
  constexpr int kMostTabStops = 20;
  for (int presses = 0; presses < kMostTabStops && Focus() != control; ++presses) {
    const HWND before = Focus();
    PressKeys({VK_TAB});
    if (!WaitUntil([&] { return Focus() != before; }, 2000)) return false;
  }
  return Focus() == control;
}

void WizardDriver::PressKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    inputs.push_back(input);
  }
  for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = *key;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

HWND WizardDriver::WaitForMessageBox(unsigned timeout_ms) const {
  HWND found = nullptr;
  const bool appeared = WaitUntil(
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
  return appeared ? found : nullptr;
}

int WizardDriver::MessageBoxCount() const {
  int count = 0;
  for (HWND window : TopLevelWindowsOf(process_id_)) {
    if (window != sheet_ && GetDlgItem(window, kMessageTextId) != nullptr) ++count;
  }
  return count;
}

bool WizardDriver::HandledPostedSoFar(unsigned timeout_ms) const {
  // The Back button's pushed look, set by a posted message and read by a
  // sent one, then taken back: nothing else changes.
  const HWND back = SheetButton(kBack);
  for (BOOL pushed : {TRUE, FALSE}) {
    PostMessageA(back, BM_SETSTATE, static_cast<WPARAM>(pushed), 0);
    if (!WaitUntil(
            [&] { return ((SendMessageA(back, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0) == pushed; },
            timeout_ms)) {
      return false;
    }
  }
  return true;
}

HWND WizardDriver::WaitForDialog(unsigned timeout_ms) const {
  HWND found = nullptr;
  const bool appeared = WaitUntil(
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
  return appeared ? found : nullptr;
}

int WizardDriver::ListItemCount(int id) const {
  return static_cast<int>(SendMessageA(Control(id), LVM_GETITEMCOUNT, 0, 0));
}

int WizardDriver::ListStateImage(int id, int item) const {
  auto state = static_cast<UINT>(SendMessageA(Control(id), LVM_GETITEMSTATE,
                                              static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK));
  return static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12);
}

int WizardDriver::ListColumnWidth(int id, int column) const {
  return static_cast<int>(
      SendMessageA(Control(id), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

std::string WizardDriver::ListItemText(int id, int item, int subitem) const {
  constexpr std::size_t kTextSize = 512;
  RemoteBlock block(process_id_, sizeof(LVITEMA) + kTextSize);
  if (!block.ok()) return "<no remote memory>";
  LVITEMA request = {};
  request.iSubItem = subitem;
  request.pszText = block.at(sizeof request);
  request.cchTextMax = kTextSize;
  block.Write(0, &request, sizeof request);
  SendMessageA(Control(id), LVM_GETITEMTEXTA, static_cast<WPARAM>(item), block.param());
  char text[kTextSize] = "";
  block.Read(sizeof request, text, sizeof text - 1);
  return text;
}

bool WizardDriver::ClickListCheckBox(int id, int item) const {
  HWND list = Control(id);
  SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
  RemoteBlock block(process_id_, sizeof(LVHITTESTINFO) + sizeof(RECT));
  if (!block.ok()) return false;
  RECT bounds = {};
  bounds.left = LVIR_BOUNDS;
  block.Write(0, &bounds, sizeof bounds);
  if (!SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), block.param())) return false;
  block.Read(0, &bounds, sizeof bounds);
  // The check box is the item's state image: find it along the row's middle.
  const int y = (bounds.top + bounds.bottom) / 2;
  int first = -1, last = -1;
  for (int x = bounds.left; x < bounds.left + 60; ++x) {
    LVHITTESTINFO hit = {};
    hit.pt = {x, y};
    block.Write(0, &hit, sizeof hit);
    const auto found = static_cast<int>(SendMessageA(list, LVM_HITTEST, 0, block.param()));
    block.Read(0, &hit, sizeof hit);
    if (found == item && (hit.flags & LVHT_ONITEMSTATEICON)) {
      if (first < 0) first = x;
      last = x;
    }
  }
  if (first < 0) return false;
  const int before = ListStateImage(id, item);
  const LPARAM point = MAKELPARAM((first + last) / 2, y);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageA(list, WM_LBUTTONUP, 0, point);
  return WaitUntil([&] { return ListStateImage(id, item) != before; }, 3000);
}

bool WizardDriver::PressEnter(HWND box) {
  // The box's own message loop turns Enter into a click of the button that
  // has the focus, the default button.
  PostMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageA(box, WM_KEYUP, VK_RETURN, 0xC0000001);
  return WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); });
}

std::string WizardDriver::MessageText(HWND box) {
  return WindowText(GetDlgItem(box, kMessageTextId));
}

std::wstring WizardDriver::WideMessageText(HWND box) {
  return WideWindowText(GetDlgItem(box, kMessageTextId));
}

bool WizardDriver::Answer(HWND box, int button_id) {
  PostClick(GetDlgItem(box, button_id));
  return WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); });
}

FakeViewer::FakeViewer() {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "Pellumara";
  RegisterClassA(&window_class);
  window_ = CreateWindowA("Pellumara", "viewer", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                          nullptr, GetModuleHandleA(nullptr), nullptr);
}

void FakeViewer::Close() {
  if (window_ != nullptr) DestroyWindow(window_);
  window_ = nullptr;
}

void UseUnmanagedWindows() {
  ScopedKey key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, key.Out(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(key.Get(), "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
}

void SetScreenDpiForNewPrograms(DWORD dpi) {
  const struct {
    HKEY hive;
    const char* key;
  } places[] = {
      {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts"},
      {HKEY_CURRENT_USER, "Control Panel\\Desktop"},
  };
  for (const auto& place : places) {
    ScopedKey key;
    if (RegCreateKeyExA(place.hive, place.key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Out(),
                        nullptr) != ERROR_SUCCESS) {
      continue;
    }
    RegSetValueExA(key.Get(), "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                   sizeof dpi);
  }
}

namespace {

// The window's pixels as they are on the screen, row by row from the top,
// copied in one go.
std::vector<COLORREF> ScreenPixels(HWND window, int* width) {
  RECT rect;
  GetWindowRect(window, &rect);
  *width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  std::vector<COLORREF> pixels;
  if (*width <= 0 || height <= 0) return pixels;
  ScopedWindowDc screen(nullptr);
  ScopedMemoryDc memory(CreateCompatibleDC(screen.Get()));
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = *width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  ScopedBitmap bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return pixels;
  ScopedSelect selected(memory.Get(), bitmap.Get());
  BitBlt(memory.Get(), 0, 0, *width, height, screen.Get(), rect.left, rect.top, SRCCOPY);
  GdiFlush();
  const auto* quads = static_cast<const RGBQUAD*>(bits);
  for (int i = 0; i < *width * height; ++i) {
    pixels.push_back(RGB(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue));
  }
  return pixels;
}

}  // namespace

std::vector<COLORREF> PixelsOf(HWND window) {
  int width = 0;
  return ScreenPixels(window, &width);
}

RECT InkOnScreen(HWND window) {
  int width = 0;
  const std::vector<COLORREF> pixels = ScreenPixels(window, &width);
  std::map<COLORREF, int> counts;
  for (COLORREF pixel : pixels) ++counts[pixel];
  COLORREF background = 0;
  int most = 0;
  for (const auto& [colour, count] : counts) {
    if (count > most) {
      background = colour;
      most = count;
    }
  }
  RECT ink = {width, static_cast<LONG>(pixels.size()), 0, 0};
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    if (pixels[i] == background) continue;
    const LONG x = static_cast<LONG>(i % static_cast<std::size_t>(width));
    const LONG y = static_cast<LONG>(i / static_cast<std::size_t>(width));
    ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
           std::max(ink.bottom, y + 1)};
  }
  if (ink.right <= ink.left) ink = {0, 0, 0, 0};
  return ink;
}

int PixelsOnScreen(HWND window, COLORREF colour) {
  RECT rect;
  GetWindowRect(window, &rect);
  ScopedWindowDc screen(nullptr);
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) {
      if (GetPixel(screen.Get(), x, y) == colour) ++count;
    }
  }
  return count;
}

bool SaveWindowBitmap(HWND window, const std::string& path) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  ScopedWindowDc screen(nullptr);
  ScopedMemoryDc memory(CreateCompatibleDC(screen.Get()));
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  ScopedBitmap bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return false;
  ScopedSelect selected(memory.Get(), bitmap.Get());
  BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), rect.left, rect.top, SRCCOPY);
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
  return written;
}

namespace {

std::vector<std::pair<DWORD, HWND>>* watched_events = nullptr;

}  // namespace

WindowEventWatch::WindowEventWatch(DWORD process_id) {
  watched_events = &events_;
  hook_.Reset(SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, Record, process_id, 0,
                             WINEVENT_OUTOFCONTEXT));
}

WindowEventWatch::~WindowEventWatch() {
  hook_.Close();
  watched_events = nullptr;
}

void CALLBACK WindowEventWatch::Record(HWINEVENTHOOK, DWORD event, HWND window, LONG object,
                                       LONG child, DWORD, DWORD) {
  if (watched_events != nullptr && object == OBJID_CLIENT && child == CHILDID_SELF) {
    watched_events->emplace_back(event, window);
  }
}

int WindowEventWatch::Count(DWORD event, HWND window) const {
  return static_cast<int>(std::count(events_.begin(), events_.end(), std::make_pair(event, window)));
}

bool WindowEventWatch::WaitFor(DWORD event, HWND window, int count, unsigned timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (Count(event, window) >= count) return true;
    if (GetTickCount() - start > timeout_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

DWORD AnnouncementEvent() {
  constexpr DWORD kLiveRegionChanged = 0x8019;  // declared for Windows 8 and later only
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  version.dwMajorVersion = 10;
  version.dwBuildNumber = 16299;
  DWORDLONG mask = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_BUILDNUMBER, VER_GREATER_EQUAL);
  return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_BUILDNUMBER, mask) != FALSE
             ? kLiveRegionChanged
             : EVENT_SYSTEM_ALERT;
}
