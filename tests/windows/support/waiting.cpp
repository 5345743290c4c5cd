#include "support/waiting.h"

#include <windows.h>

bool WaitUntil(const std::function<bool()>& condition, unsigned timeout_ms) {
  for (unsigned waited = 0;; waited += 20) {
    if (condition()) return true;
    if (waited >= timeout_ms) return false;
    Sleep(20);
  }
}
