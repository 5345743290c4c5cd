// The one way to a name nobody can foresee: a name made from a new random
// number is tried until something is made under it, the try fails for
// another reason than a taken name, or kFreshNameTries names were taken.
// Each caller makes its own kind of name and says what counts as taken.
#pragma once

#include <windows.h>

#include "common/random_number.h"

// Sixteen random names all taken: someone is filling the folder on purpose.
constexpr int kFreshNameTries = 16;

// What one try came to.
enum class FreshTry {
  kMade,    // made under this name: done
  kAgain,   // the name is taken (or the try was made possible): try another
  kFailed,  // failed for good: no other name would help
};

// Whatever stands at the name: CREATE_NEW answers the one, a folder or a
// move the other.
inline bool IsNameTaken(DWORD error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// Calls try_name(number) with a new RandomNumber() each time until it says
// kMade or kFailed, at most kFreshNameTries times; kAgain when every try
// was taken. The last try's error stays for the caller.
template <typename TryName>
FreshTry TryFreshNames(TryName&& try_name) {
  for (int tried = 0; tried < kFreshNameTries; ++tried) {
    const FreshTry result = try_name(RandomNumber());
    if (result != FreshTry::kAgain) return result;
  }
  return FreshTry::kAgain;
}
