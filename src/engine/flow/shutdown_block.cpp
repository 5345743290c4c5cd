#include "engine/flow/shutdown_block.h"

#include <commctrl.h>

#include <string>

#include "common/ansi_path.h"
#include "common/messages.h"
#include "common/run_log.h"

namespace {

constexpr wchar_t kWindowClass[] = L"PellumaraSetupShutdownBlock";
constexpr UINT_PTR kSubclassId = 0x5350;  // any number of the setup's own
// What Windows shows beside the setup's name when a shutdown waits, in
// UTF-16 as Windows takes it.
std::wstring Reason() {
  const wchar_t* text = nullptr;
  // With a zero length LoadStringW points into the resource itself.
  const int length = LoadStringW(GetModuleHandleA(nullptr), IDS_SHUTDOWN_REASON,
                                 reinterpret_cast<wchar_t*>(&text), 0);
  return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

using ShutdownBlockReasonCreateFn = BOOL(WINAPI*)(HWND, LPCWSTR);
using ShutdownBlockReasonDestroyFn = BOOL(WINAPI*)(HWND);

// Looked up in user32, which the window has brought into the process from
// the system folder: a function missing there must not end the run.
FARPROC User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleA("user32.dll");
  return user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
}

LRESULT CALLBACK BlockingSubclass(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                  UINT_PTR, DWORD_PTR block) {
  LRESULT answer = 0;
  if (reinterpret_cast<ShutdownBlock*>(block)->Answers(message, wparam, &answer)) return answer;
  return DefSubclassProc(window, message, wparam, lparam);
}

LRESULT CALLBACK BlockingWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* block = reinterpret_cast<ShutdownBlock*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  LRESULT answer = 0;
  if (block != nullptr && block->Answers(message, wparam, &answer)) return answer;
  return DefWindowProcW(window, message, wparam, lparam);
}

// A top-level window that is never shown: a silent run has no other to be
// asked through. Windows names it by its caption where a shutdown waits: a
// Unicode window keeps the caption as it goes over, in UTF-16.
HWND CreateBlockingWindow(ShutdownBlock* block) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = BlockingWindow;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kWindowClass;
  RegisterClassExW(&window_class);
  return CreateWindowExW(0, kWindowClass, OwnText(LoadMessage(IDS_CAPTION)).c_str(),
                         WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, window_class.hInstance,
                         block);
}

}  // namespace

ShutdownBlock::ShutdownBlock(HWND window) {
  if (window != nullptr) {
    window_ = GetAncestor(window, GA_ROOT);
    if (window_ != nullptr && !SetWindowSubclass(window_, BlockingSubclass, kSubclassId,
                                                 reinterpret_cast<DWORD_PTR>(this))) {
      window_ = nullptr;
    }
  } else {
    window_ = CreateBlockingWindow(this);
    own_window_ = window_ != nullptr;
  }
  if (window_ == nullptr) {
    TheRunLog().NoteFailure("no window to hold a shutdown off with", GetLastError());
    return;
  }
  // Without a visible window a veto alone does not count: Windows ends such
  // a program unless it has given a reason.
  auto create = reinterpret_cast<ShutdownBlockReasonCreateFn>(
      reinterpret_cast<void*>(User32Function("ShutdownBlockReasonCreate")));
  // Wine 8 has both functions as stubs that fail with
  // ERROR_CALL_NOT_IMPLEMENTED; the run log then says so.
  if (create == nullptr || !create(window_, Reason().c_str())) {
    TheRunLog().NoteFailure("the reason a shutdown waits was not given to Windows",
                            create == nullptr ? ERROR_PROC_NOT_FOUND : GetLastError());
  }
}

void ShutdownBlock::Lift() {
  if (window_ == nullptr) return;
  auto destroy = reinterpret_cast<ShutdownBlockReasonDestroyFn>(
      reinterpret_cast<void*>(User32Function("ShutdownBlockReasonDestroy")));
  if (destroy != nullptr) destroy(window_);
  if (own_window_) {
    DestroyWindow(window_);
  } else {
    RemoveWindowSubclass(window_, BlockingSubclass, kSubclassId);
  }
  window_ = nullptr;
  if (shutdowns_held_off_ > 0) TheRunLog().Note("installation done: a shutdown may go on");
}

bool ShutdownBlock::Answers(UINT message, WPARAM wparam, LRESULT* answer) {
  if (message == WM_QUERYENDSESSION) {
    ++shutdowns_held_off_;
    TheRunLog().Note("shutdown or log-off asked for during the installation: it waits");
    *answer = FALSE;
    return true;
  }
  if (message == WM_ENDSESSION && wparam) {
    // Windows may end the process once this returns: the journal lets the
    // next run finish the files, and every run writes the registration.
    TheRunLog().Note("the session ends anyway during the installation: the next run finishes it");
    *answer = 0;
    return true;
  }
  return false;
}
