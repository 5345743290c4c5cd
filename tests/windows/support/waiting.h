// Waiting for something another process does.
#pragma once

#include <functional>

// Polls the condition every 20 ms until it holds or the time is up; false
// when it never held. Every caller looks at the result: a wait that ran
// out is a failure to report, never a pause.
[[nodiscard]] bool WaitUntil(const std::function<bool()>& condition, unsigned timeout_ms = 10000);
