#include "engine/installation_lock.h"

#include <windows.h>

#include "engine/answering_wait.h"

namespace {

constexpr const char kGlobalLockName[] = "Global\\PellumaraSetup";
constexpr const char kLocalLockName[] = "Local\\PellumaraSetup";
// How often a lock that exists but cannot be opened is looked at again.
constexpr unsigned long kPollMs = 250;

bool Acquired(DWORD wait_result) {
  return wait_result == WAIT_OBJECT_0 || wait_result == WAIT_ABANDONED;
}

unsigned long LeftUntil(ULONGLONG end) {
  ULONGLONG now = GetTickCount64();
  return now >= end ? 0 : static_cast<unsigned long>(end - now);
}

// Waits for the mutex while answering what is sent to the thread's windows
// and repainting them, so that a wizard shows its wait label meanwhile and
// is never taken for hung; no input is taken.
DWORD WaitAnswering(HANDLE mutex, unsigned long wait_ms) {
  const ULONGLONG end = GetTickCount64() + wait_ms;
  for (;;) {
    DWORD result = MsgWaitForMultipleObjects(1, &mutex, FALSE, LeftUntil(end),
                                             QS_SENDMESSAGE | QS_PAINT);
    if (result != WAIT_OBJECT_0 + 1) return result;
    AnswerPendingMessages();
  }
}

}  // namespace

InstallationLock::~InstallationLock() {
  if (held_) ReleaseMutex(mutex_.Get());
}

// CreateMutexA fails with ERROR_ACCESS_DENIED where a setup of more rights
// (SYSTEM, another user) made the lock with a descriptor that keeps this
// one out: that setup runs, so this one looks again until the lock is gone
// or can be opened. Only where the global lock cannot be made at all (no
// right to global names) does the session's own lock serve.
bool InstallationLock::Acquire(unsigned long wait_ms, bool keep_painted) {
  const ULONGLONG end = GetTickCount64() + wait_ms;
  for (;;) {
    mutex_.Reset(CreateMutexA(nullptr, FALSE, kGlobalLockName));
    if (mutex_ || GetLastError() != ERROR_ACCESS_DENIED) break;
    const unsigned long left = LeftUntil(end);
    if (left == 0) return false;
    const unsigned long pause = left < kPollMs ? left : kPollMs;
    if (keep_painted) {
      SleepAnswering(pause);
    } else {
      Sleep(pause);
    }
  }
  if (!mutex_) mutex_.Reset(CreateMutexA(nullptr, FALSE, kLocalLockName));
  if (!mutex_) return true;
  const unsigned long left = LeftUntil(end);
  DWORD result = keep_painted ? WaitAnswering(mutex_.Get(), left)
                              : WaitForSingleObject(mutex_.Get(), left);
  held_ = Acquired(result);
  return held_;
}
