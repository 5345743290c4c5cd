// rand_s, the C runtime's random numbers from the system.
#define _CRT_RAND_S
#include "common/random_number.h"

#include <windows.h>

#include <cstdlib>

unsigned RandomNumber() {
  unsigned value = 0;
  if (rand_s(&value) == 0) return value;
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<unsigned>(counter.QuadPart) ^ GetCurrentProcessId();
}
