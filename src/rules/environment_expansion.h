// The expansion of environment references ("%NAME%") in a settings folder.
#pragma once

#include <cstddef>
#include <string_view>

// Looks a variable up; the platform layer answers from the real environment.
class VariableSource {
 public:
  virtual ~VariableSource() = default;
  enum class Found { kValue, kUndefined, kTooLong };
  // Writes the value (terminated) into value, value_size bytes, when the
  // variable exists and its value fits.
  virtual Found Lookup(const char* name, char* value, std::size_t value_size) = 0;
};

// Longest expanded folder and longest variable value, in characters; both
// are 260-byte buffers with their terminator.
constexpr std::size_t kExpansionLimit = 259;

// Walks text once: other characters are copied, "%NAME%" becomes the
// variable's value, an empty name ("%%", a lone '%' at the end) disappears;
// a reference without its closing '%' runs to the end of the text. result
// has result_size bytes (at least 260).
//
// The result is the empty string as a whole when a variable is undefined,
// when the result would exceed 259 characters, or when a variable's value
// does not fit its 260-byte buffer: a folder without a value, or cut, would
// name some other folder, and an empty result keeps the settings in the
// program folder. An expansion can never overrun.
void ExpandReferences(std::string_view text, VariableSource& variables, char* result,
                      std::size_t result_size);

// True when text holds a reference ("%NAME%", any case) to a variable whose
// value differs from user to user: the profile, its roaming and local
// application data, the home folder and drive, the temporary folders, the
// user's name and the OneDrive folders. Expanded by a setup that runs as
// SYSTEM, such a reference names SYSTEM's own profile, which no user reads.
bool RefersToUserProfile(std::string_view text);
