#include "engine/installation_lock.h"

#include <windows.h>

namespace {

// Global\ spans every session of the machine; a user without the right to
// make global objects gets a lock of the own session.
constexpr const char* kLockNames[] = {"Global\\PellumaraSetup", "Local\\PellumaraSetup"};

bool Acquired(DWORD wait_result) {
  return wait_result == WAIT_OBJECT_0 || wait_result == WAIT_ABANDONED;
}

// Waits for the mutex while repainting the thread's windows, so that a
// wizard shows its wait label meanwhile; no input is taken.
DWORD WaitPainting(HANDLE mutex, unsigned long wait_ms) {
  const ULONGLONG end = GetTickCount64() + wait_ms;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    DWORD left = now >= end ? 0 : static_cast<DWORD>(end - now);
    DWORD result = MsgWaitForMultipleObjects(1, &mutex, FALSE, left, QS_PAINT);
    if (result != WAIT_OBJECT_0 + 1) return result;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) {
      DispatchMessageA(&message);
    }
  }
}

}  // namespace

InstallationLock::~InstallationLock() {
  if (held_) ReleaseMutex(mutex_.Get());
}

bool InstallationLock::Acquire(unsigned long wait_ms, bool keep_painted) {
  for (const char* name : kLockNames) {
    mutex_.Reset(CreateMutexA(nullptr, FALSE, name));
    if (mutex_) break;
  }
  if (!mutex_) return true;
  DWORD result = keep_painted ? WaitPainting(mutex_.Get(), wait_ms)
                              : WaitForSingleObject(mutex_.Get(), wait_ms);
  held_ = Acquired(result);
  return held_;
}
