#include "integration/integrate_with_system.h"

int IntegrateWithSystem(int, int, const char*, int, int, int, int, const int*) {
  // Registration arrives with the system integration.
  return 1;
}
