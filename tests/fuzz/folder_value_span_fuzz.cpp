// The command-line mapping: where each folder value lies in the line read,
// so that start-up can take its exact characters from the wide line. The
// span lies within the (cut) line and holds exactly the value the reader
// took; a value of nothing but what the reader took, never more.
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "rules/option_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string raw;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] != 0) raw += static_cast<char>(data[i]);
  }
  const StartRequest request = ReadStartRequest(raw.c_str());
  const std::string_view line(request.command_line);
  struct {
    const char* name;
    const ValueSpan& span;
    const char* value;
    bool given;
  } const values[] = {
      {kLogOption, request.log_span, request.log_value, request.log_asked},
      {kFolderOption, request.folder_span, request.options.target_folder, request.folder_given},
      {kIniOption, request.ini_span, request.options.ini_folder,
       line.find(kIniOption) != std::string_view::npos},
  };
  for (const auto& value : values) {
    FUZZ_CHECK(value.span.begin <= value.span.end && value.span.end <= line.size());
    if (!value.given) {
      FUZZ_CHECK(value.span.begin == 0 && value.span.end == 0);
      continue;
    }
    FUZZ_CHECK(line.substr(value.span.begin, value.span.end - value.span.begin) == value.value);
    // The value starts after its own name.
    const std::size_t name_at = line.find(value.name);
    FUZZ_CHECK(name_at != std::string_view::npos &&
               value.span.begin >= name_at + std::strlen(value.name));
  }
  return 0;
}
