#include "app/command_line.h"

#include <windows.h>

#include <string>
#include <string_view>

#include "common/ansi_path.h"
#include "common/install_options.h"
#include "rules/text_rules.h"

namespace {

// The value at span takes its exact form from the characters Windows gave;
// false when it has none, or when that form does not fit a path.
bool TakeExactValue(const AnsiShadow& shadow, std::wstring_view wide_line, const ValueSpan& span,
                    char* value) {
  if (!shadow.Inexact(span.begin, span.end)) return true;
  const std::size_t wide_begin = shadow.wide_at[span.begin];
  const std::wstring wide(wide_line.substr(wide_begin, shadow.wide_at[span.end] - wide_begin));
  std::string exact;
  return AnsiPathOf(wide.c_str(), &exact) && CopyBounded(value, kPathSize, exact);
}

}  // namespace

StartRequest ReadThisStartRequest() {
  const std::wstring_view wide_line(GetCommandLineW());
  const AnsiShadow shadow = AnsiShadowOf(wide_line);
  StartRequest request = ReadStartRequest(shadow.text.c_str(), &shadow.inexact);
  if (request.log_asked) {
    request.log_value_inexact =
        !TakeExactValue(shadow, wide_line, request.log_span, request.log_value);
  }
  if (request.folder_given) {
    request.folder_value_inexact = !TakeExactValue(shadow, wide_line, request.folder_span,
                                                   request.options.target_folder);
  }
  if (request.ini_span.end > request.ini_span.begin) {
    request.ini_value_inexact =
        !TakeExactValue(shadow, wide_line, request.ini_span, request.options.ini_folder);
  }
  return request;
}
