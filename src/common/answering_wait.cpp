#include "common/answering_wait.h"

#include <windows.h>

void AnswerPendingMessages() {
  MSG message;
  // Any PeekMessage call delivers the messages sent from other threads;
  // PM_QS_SENDMESSAGE keeps it from removing anything else.
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) {
    DispatchMessageA(&message);
  }
}

void AnswerNowAndThen() {
  // Well within the 100 ms that a screen reader or the shell may wait.
  constexpr ULONGLONG kAnswerPeriodMs = 50;
  static ULONGLONG last_answer = 0;
  const ULONGLONG now = GetTickCount64();
  if (now - last_answer < kAnswerPeriodMs) return;
  last_answer = now;
  AnswerPendingMessages();
}

void SleepAnswering(unsigned long wait_ms) {
  const ULONGLONG end = GetTickCount64() + wait_ms;
  for (;;) {
    AnswerPendingMessages();
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now),
                              QS_SENDMESSAGE | QS_PAINT);
  }
}
