// A run log line over any text and error text: it starts with its time
// stamp, ends in one CR LF, and every line break inside continues the fact
// on a line that starts with a tab, so that no text can forge a fact.
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "rules/run_log_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  RunLogFact fact;
  fact.year = 2000 + data[0] % 100;
  fact.month = 1 + data[1] % 12;
  fact.day = 1 + data[2] % 28;
  fact.hour = data[3] % 24;
  fact.minute = data[4] % 60;
  fact.second = data[5] % 60;
  fact.millisecond = data[6] * 3 % 1000;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 8, size - 8);
  const std::size_t split = rest.empty() ? 0 : data[7] % (rest.size() + 1);
  fact.text = rest.substr(0, split);
  fact.error_text = rest.substr(split);
  fact.windows_error = (data[7] & 1) != 0 ? 0 : 0x80070005ul >> (data[7] % 32);
  const std::string line = FormatRunLogLine(fact);
  FUZZ_CHECK(line.size() >= 26 && line[4] == '-' && line[10] == 'T' && line[23] == ' ');
  FUZZ_CHECK(line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0);
  for (std::size_t at = 0; at < line.size(); ++at) {
    if (line[at] == '\r') FUZZ_CHECK(at + 1 < line.size() && line[at + 1] == '\n');
    if (line[at] == '\n') {
      FUZZ_CHECK(at > 0 && line[at - 1] == '\r');
      FUZZ_CHECK(at + 1 == line.size() || line[at + 1] == '\t');
    }
  }
  return 0;
}
