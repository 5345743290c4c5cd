// The expansion of "%NAME%" references in a settings folder: the result
// never passes its limit nor its buffer (an exact-size heap buffer, so that
// AddressSanitizer sees one byte too many), a text without references comes
// back as it is, and a result is either whole or empty.
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "rules/environment_expansion.h"

namespace {

// Values made from the input: the first byte sets their length (up to 300,
// beyond a value's buffer), every name not starting with 'U' is defined.
class InputVariables final : public VariableSource {
 public:
  explicit InputVariables(std::size_t length) : length_(length) {}
  Found Lookup(const char* name, char* value, std::size_t value_size) override {
    if (name[0] == 'U') return Found::kUndefined;
    const std::string text = std::string("C:\\") + std::string(length_, 'v');
    if (text.size() + 1 > value_size) return Found::kTooLong;
    std::memcpy(value, text.c_str(), text.size() + 1);
    return Found::kValue;
  }

 private:
  std::size_t length_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  InputVariables variables(static_cast<std::size_t>(data[0]) * 300 / 255);
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  constexpr std::size_t kResultSize = kExpansionLimit + 1;
  auto result = std::make_unique<char[]>(kResultSize);
  ExpandReferences(text, variables, result.get(), kResultSize);
  const std::size_t length = strnlen(result.get(), kResultSize);
  FUZZ_CHECK(length <= kExpansionLimit);
  if (text.find('%') == std::string_view::npos && text.find('\0') == std::string_view::npos &&
      text.size() <= kExpansionLimit) {
    FUZZ_CHECK(std::string_view(result.get(), length) == text);
  }
  RefersToUserProfile(text);
  return 0;
}
