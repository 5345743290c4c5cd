// The machine-wide lock of one installation at a time.
#include "engine/flow/installation_lock.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

// Takes the lock and ends without releasing it, as a killed setup does.
DWORD WINAPI TakeLockAndEnd(void* mutex) {
  *static_cast<HANDLE*>(mutex) = CreateMutexA(nullptr, TRUE, "Global\\PellumaraSetup");
  return 0;
}

// The lock of a setup that was killed is free for the next one at once.
TEST(InstallationLock, LockOfAKilledSetupIsFree) {
  HANDLE mutex = nullptr;
  HANDLE thread = CreateThread(nullptr, 0, TakeLockAndEnd, &mutex, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  ASSERT_NE(mutex, nullptr);
  {
    InstallationLock lock;
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(lock.Acquire(3000, false));
    EXPECT_LT(GetTickCount64() - start, 1000u);
  }
  CloseHandle(mutex);
}

}  // namespace
