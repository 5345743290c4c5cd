// Move-only owners for the Windows handles the setup holds. Every release of
// a handle goes through one of these, so that no return path can leak one and
// none is released twice.
#ifndef PELLUMARA_COMMON_SCOPED_WIN_H
#define PELLUMARA_COMMON_SCOPED_WIN_H

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <utility>

namespace scoped_win_detail {

// One owner template; Traits says what counts as empty and how to release.
template <typename Handle, typename Traits>
class Owner {
 public:
  Owner() = default;
  explicit Owner(Handle handle) : handle_(handle) {}
  ~Owner() { Close(); }
  Owner(Owner&& other) noexcept : handle_(other.Detach()) {}
  Owner& operator=(Owner&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;

  Handle Get() const { return handle_; }
  bool IsValid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return IsValid(); }

  // Gives the handle up without releasing it.
  Handle Detach() { return std::exchange(handle_, Traits::Empty()); }
  // Releases the handle now; false when the release itself failed (a
  // file's last write can fail only here). An empty owner closes as true.
  bool Close() {
    if (!IsValid()) return true;
    return Traits::Release(Detach());
  }
  void Reset(Handle handle = Traits::Empty()) {
    Close();
    handle_ = handle;
  }
  // For functions that return the handle through a pointer.
  Handle* Out() {
    Close();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Empty();
};

// Kernel handles: CreateFile reports failure as INVALID_HANDLE_VALUE, most
// others as NULL; neither is released.
struct KernelTraits {
  static HANDLE Empty() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool Release(HANDLE h) { return CloseHandle(h) != FALSE; }
};

// The handles whose failure value is NULL; each kind adds its release.
template <typename Handle>
struct NullTraits {
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
};

struct KeyTraits : NullTraits<HKEY> {
  static bool Release(HKEY h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};

template <typename Gdi>
struct GdiTraits : NullTraits<Gdi> {
  static bool Release(Gdi h) { return DeleteObject(h) != FALSE; }
};

struct MemoryDcTraits : NullTraits<HDC> {
  static bool Release(HDC h) { return DeleteDC(h) != FALSE; }
};

struct CursorTraits : NullTraits<HCURSOR> {
  static bool Release(HCURSOR h) { return DestroyCursor(h) != FALSE; }
};

struct IconTraits : NullTraits<HICON> {
  static bool Release(HICON h) { return DestroyIcon(h) != FALSE; }
};

struct LibraryTraits : NullTraits<HMODULE> {
  static bool Release(HMODULE h) { return FreeLibrary(h) != FALSE; }
};

// Memory the system hands out with LocalAlloc (a security descriptor, for
// example).
struct LocalMemoryTraits : NullTraits<HLOCAL> {
  static bool Release(HLOCAL h) { return LocalFree(h) == nullptr; }
};

// Memory the shell hands out for the caller to free with CoTaskMemFree (an
// item id list, for example).
template <typename Pointer>
struct CoTaskMemoryTraits : NullTraits<Pointer> {
  static bool Release(Pointer p) {
    CoTaskMemFree(p);
    return true;
  }
};

// Searches of FindFirstFile: INVALID_HANDLE_VALUE when none began.
struct FindTraits {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE; }
  static bool Release(HANDLE h) { return FindClose(h) != FALSE; }
};

}  // namespace scoped_win_detail

using ScopedHandle = scoped_win_detail::Owner<HANDLE, scoped_win_detail::KernelTraits>;
using ScopedKey = scoped_win_detail::Owner<HKEY, scoped_win_detail::KeyTraits>;
template <typename Gdi>
using ScopedGdiObject = scoped_win_detail::Owner<Gdi, scoped_win_detail::GdiTraits<Gdi>>;
using ScopedBitmap = ScopedGdiObject<HBITMAP>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;
// A DC of CreateCompatibleDC or CreateDC: DeleteDC.
using ScopedMemoryDc = scoped_win_detail::Owner<HDC, scoped_win_detail::MemoryDcTraits>;
// A cursor or icon the setup made or copied itself (never a shared one that
// LoadCursor returns).
using ScopedCursor = scoped_win_detail::Owner<HCURSOR, scoped_win_detail::CursorTraits>;
using ScopedIcon = scoped_win_detail::Owner<HICON, scoped_win_detail::IconTraits>;
using ScopedLibrary = scoped_win_detail::Owner<HMODULE, scoped_win_detail::LibraryTraits>;
using ScopedFind = scoped_win_detail::Owner<HANDLE, scoped_win_detail::FindTraits>;
using ScopedLocalMemory = scoped_win_detail::Owner<HLOCAL, scoped_win_detail::LocalMemoryTraits>;
// Pointer is the pointer type the shell returns, LPITEMIDLIST for example.
template <typename Pointer>
using ScopedCoTaskMemory =
    scoped_win_detail::Owner<Pointer, scoped_win_detail::CoTaskMemoryTraits<Pointer>>;

// A DC of GetDC, given back to its window with ReleaseDC.
class ScopedWindowDc {
 public:
  explicit ScopedWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~ScopedWindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  ScopedWindowDc(const ScopedWindowDc&) = delete;
  ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;

  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a DC for one scope; the DC's earlier object is put
// back before the scope ends, so the selected one can then be deleted.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~ScopedSelect() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// COM on this thread for one scope. Only a successful initialisation is
// balanced; a thread already in another apartment keeps its own.
class ScopedCom {
 public:
  explicit ScopedCom(DWORD model = COINIT_APARTMENTTHREADED)
      : result_(CoInitializeEx(nullptr, model)) {}
  ~ScopedCom() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ScopedCom(const ScopedCom&) = delete;
  ScopedCom& operator=(const ScopedCom&) = delete;

  HRESULT Result() const { return result_; }

 private:
  HRESULT result_;
};

// One reference to a COM object.
template <typename Interface>
class ScopedComPtr {
 public:
  ScopedComPtr() = default;
  explicit ScopedComPtr(Interface* pointer) : pointer_(pointer) {}
  ~ScopedComPtr() { Reset(); }
  ScopedComPtr(ScopedComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ScopedComPtr& operator=(ScopedComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ScopedComPtr(const ScopedComPtr&) = delete;
  ScopedComPtr& operator=(const ScopedComPtr&) = delete;

  Interface* Get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  void Reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }
  // For CoCreateInstance and QueryInterface.
  void** Out() {
    Reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  // For methods that hand out an interface of this type.
  Interface** Receive() {
    Reset();
    return &pointer_;
  }

 private:
  Interface* pointer_ = nullptr;
};

#endif  // PELLUMARA_COMMON_SCOPED_WIN_H
