// The option reader over any command line: every value it reads fits its
// buffer, the mode follows from the switches typed as such, and a "?" that
// stands for a character the code page lacks never asks for the usage text.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "rules/option_reader.h"

namespace {

// The command line holds no NUL; a "?" is marked inexact when the byte
// after it in the input is odd (the marks ride along in the data).
void CheckStartRequest(const std::string& line, const std::vector<bool>& inexact) {
  const StartRequest request = ReadStartRequest(line.c_str(), &inexact);
  FUZZ_CHECK(strnlen(request.command_line, kCommandLineSize) < kCommandLineSize);
  FUZZ_CHECK(strnlen(request.log_value, kPathSize) < kPathSize);
  FUZZ_CHECK(strnlen(request.options.target_folder, kPathSize) < kPathSize);
  FUZZ_CHECK(strnlen(request.options.ini_folder, kPathSize) < kPathSize);

  bool exact_usage = line.find("/help") != std::string::npos;
  for (std::size_t at = line.find("/?"); at != std::string::npos; at = line.find("/?", at + 1)) {
    if (!inexact[at + 1]) exact_usage = true;
  }
  const bool silent = line.find(kSilentSwitch) != std::string::npos;
  const StartMode expected =
      silent ? StartMode::kSilent : exact_usage ? StartMode::kUsageText : StartMode::kWizard;
  FUZZ_CHECK(request.mode == expected);
  FUZZ_CHECK(request.line_cut == (line.size() >= kCommandLineSize));
  for (const std::string& text : request.unread) {
    FUZZ_CHECK(!text.empty() && line.find(text) != std::string::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string line;
  std::vector<bool> inexact;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) continue;
    line += static_cast<char>(data[i]);
    inexact.push_back(data[i] == '?' && i + 1 < size && (data[i + 1] & 1) != 0);
  }
  CheckStartRequest(line, inexact);
  return 0;
}
