#include "framework/wnd.h"

#include <commctrl.h>

namespace {

const char kObjectProperty[] = "Pellumara.CWnd";
constexpr UINT_PTR kSubclassId = 1;

bool Matches(const MessageEntry& entry, UINT message, WPARAM wparam) {
  if (entry.message != message) return false;
  if (message != WM_COMMAND && message != Reflected(WM_COMMAND)) return true;
  if (entry.control_id != 0 && entry.control_id != LOWORD(wparam)) return false;
  return entry.notification == HIWORD(wparam);
}

}  // namespace

const MessageMap CWnd::kMessageMap = {nullptr, nullptr, 0};

CWnd::~CWnd() { UnsubclassWindow(); }

const MessageMap* CWnd::GetMessageMap() const { return &kMessageMap; }

bool CWnd::SubclassDlgItem(UINT id, HWND dialog) {
  HWND control = GetDlgItem(dialog, static_cast<int>(id));
  return control != nullptr && SubclassWindow(control);
}

bool CWnd::SubclassWindow(HWND window) {
  if (m_hWnd != nullptr || window == nullptr) return false;
  m_hWnd = window;
  PreSubclassWindow();
  if (!SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
    m_hWnd = nullptr;
    return false;
  }
  SetPropA(window, kObjectProperty, this);
  subclassed_ = true;
  return true;
}

void CWnd::UnsubclassWindow() {
  if (subclassed_ && m_hWnd != nullptr) {
    RemovePropA(m_hWnd, kObjectProperty);
    RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
  }
  subclassed_ = false;
  m_hWnd = nullptr;
}

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
  if (window == nullptr) return nullptr;
  return static_cast<CWnd*>(GetPropA(window, kObjectProperty));
}

bool CWnd::OnWndMsg(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
    for (std::size_t i = 0; i < map->count; ++i) {
      const MessageEntry& entry = map->entries[i];
      if (!Matches(entry, message, wparam)) continue;
      const CurrentMessage outer = current_;
      current_ = {message, wparam, lparam};
      *result = (this->*entry.handler)(wparam, lparam);
      current_ = outer;
      return true;
    }
  }
  return false;
}

LRESULT CWnd::Default() {
  if (m_hWnd == nullptr || !subclassed_) return 0;
  return DefSubclassProc(m_hWnd, current_.message, current_.wparam, current_.lparam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<CWnd*>(data);
  if (message == WM_NCDESTROY) {
    // The subclass goes before the window does.
    self->UnsubclassWindow();
    return DefSubclassProc(window, message, wparam, lparam);
  }
  try {
    LRESULT result = 0;
    if (self->OnWndMsg(message, wparam, lparam, &result)) return result;
  } catch (...) {
    // Nothing may unwind through the window manager.
  }
  return DefSubclassProc(window, message, wparam, lparam);
}
