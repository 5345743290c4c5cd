// How the setup asks Windows for the exact form of UTF-16 text in a code
// page. Windows' conversion takes different flags per code page: for most it
// can be told to take no look-alike and to report a character it lacks; for
// UTF-8 (the system code page of Windows' "Use Unicode UTF-8 for worldwide
// language support") and GB18030 it fails the whole call with
// ERROR_INVALID_PARAMETER when asked so. Those two hold every character, so
// the only text without an exact form there is invalid UTF-16 (a lone
// surrogate), which the call is then told to refuse.
#pragma once

struct ExactConversionCall {
  bool no_best_fit;         // WC_NO_BEST_FIT_CHARS
  bool refuses_invalid;     // WC_ERR_INVALID_CHARS
  bool reports_lost;        // a lpUsedDefaultChar to learn of a lost character
};

inline constexpr unsigned kUtf8CodePage = 65001;
inline constexpr unsigned kGb18030CodePage = 54936;

// A plain rule, without windows.h, so that the native tests hold it.
constexpr ExactConversionCall ExactConversionFor(unsigned code_page) {
  if (code_page == kUtf8CodePage || code_page == kGb18030CodePage) return {false, true, false};
  return {true, false, true};
}
