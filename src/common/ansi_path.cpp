#include "common/ansi_path.h"

#include <windows.h>

#include <string>

#include "common/exact_conversion.h"

namespace {

#ifdef PELLUMARA_TEST_SEAMS
WideToMultiByteFunction g_wide_to_multi_byte = WideCharToMultiByte;
#define WIDE_CHAR_TO_MULTI_BYTE g_wide_to_multi_byte
#else
#define WIDE_CHAR_TO_MULTI_BYTE WideCharToMultiByte
#endif

// The conversion's flags for a code page, as Windows accepts them there.
DWORD FlagsOf(const ExactConversionCall& call) {
  return (call.no_best_fit ? WC_NO_BEST_FIT_CHARS : 0) |
         (call.refuses_invalid ? WC_ERR_INVALID_CHARS : 0);
}

// One conversion without best fit: a character the code page lacks sets
// lost instead of taking a look-alike's place. Where the code page holds
// every character, invalid UTF-16 fails the call instead.
int ToAnsiExactly(std::wstring_view wide, char* out, int out_size, BOOL* lost) {
  *lost = FALSE;
  const unsigned code_page = GetACP();
  const ExactConversionCall call = ExactConversionFor(code_page);
  return WIDE_CHAR_TO_MULTI_BYTE(code_page, FlagsOf(call), wide.data(),
                                 static_cast<int>(wide.size()), out, out_size, nullptr,
                                 call.reports_lost ? lost : nullptr);
}

// The short name of a path that exists, in exact ANSI form. Where the volume
// keeps no short names Windows answers with the long one, which then has no
// exact form either.
bool ShortAnsiPathOf(const std::wstring& path, bool* exists, std::string* ansi) {
  *exists = false;
  const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (needed == 0) return false;
  std::wstring short_path(needed, L'\0');
  const DWORD length = GetShortPathNameW(path.c_str(), &short_path[0], needed);
  if (length == 0 || length >= needed) return false;
  *exists = true;
  short_path.resize(length);
  return ExactAnsiOf(short_path, ansi);
}

// Where the level that ends before end begins its parent: the end of the
// parent's path, its separator kept for a drive's root ("C:\"), or 0 when
// no parent is left to try.
std::size_t ParentEnd(std::wstring_view path, std::size_t end) {
  const std::size_t separator = path.find_last_of(L"\\/", end == 0 ? 0 : end - 1);
  if (separator == std::wstring_view::npos || separator == 0) return 0;
  if (separator == 2 && path[1] == L':') return end == 3 ? 0 : 3;
  return separator;
}

}  // namespace

std::wstring WideOf(std::string_view text, unsigned code_page) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) {
    MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
  }
  return wide;
}

std::wstring OwnText(std::string_view text) { return WideOf(text, kOwnTextCodePage); }

std::string TextOf(std::wstring_view wide, unsigned code_page) {
  if (wide.empty()) return {};
  // Without best fit the code page's "?" stands in, which names nothing; a
  // look-alike would. UTF-8 holds every character and takes no flag.
  if (code_page == CP_ACP) code_page = GetACP();
  const DWORD flags = ExactConversionFor(code_page).no_best_fit ? WC_NO_BEST_FIT_CHARS : 0;
  const int size = WIDE_CHAR_TO_MULTI_BYTE(code_page, flags, wide.data(),
                                           static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                           nullptr);
  std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    WIDE_CHAR_TO_MULTI_BYTE(code_page, flags, wide.data(), static_cast<int>(wide.size()),
                            &text[0], size, nullptr, nullptr);
  }
  return text;
}

bool ExactAnsiOf(std::wstring_view wide, std::string* ansi) {
  // A NUL inside would cut the name short wherever it is used as one.
  if (wide.find(L'\0') != std::wstring_view::npos) return false;
  if (wide.empty()) {
    ansi->clear();
    return true;
  }
  BOOL lost = FALSE;
  const int length = ToAnsiExactly(wide, nullptr, 0, &lost);
  if (length <= 0 || lost) return false;
  std::string converted(static_cast<std::size_t>(length), '\0');
  if (ToAnsiExactly(wide, &converted[0], length, &lost) != length || lost) return false;
  *ansi = std::move(converted);
  return true;
}

bool AnsiPathOf(const wchar_t* path, std::string* ansi) {
  const std::wstring_view whole(path);
  if (ExactAnsiOf(whole, ansi)) return true;
  // The deepest level that exists answers for itself and all above it;
  // what lies below it must be exact. Were its short name not exact (a
  // volume without short names), a shorter head would only move the
  // character that has no form into the tail.
  for (std::size_t end = whole.size(); end > 0; end = ParentEnd(whole, end)) {
    bool exists = false;
    std::string head;
    const bool exact = ShortAnsiPathOf(std::wstring(whole.substr(0, end)), &exists, &head);
    if (!exists) continue;
    std::string tail;
    if (!exact || !ExactAnsiOf(whole.substr(end), &tail)) return false;
    *ansi = head + tail;
    return true;
  }
  return false;
}

bool FullAnsiPathOf(const std::string& path, std::string* full) {
  const std::wstring wide = WideOf(path, CP_ACP);
  if (wide.empty()) return false;
  std::wstring result(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(result.size()), &result[0], nullptr);
    if (length == 0) return false;
    if (length < result.size()) {
      result.resize(length);
      return AnsiPathOf(result.c_str(), full);
    }
    result.resize(length);
  }
  return false;
}

bool AnsiShadow::Inexact(std::size_t begin, std::size_t end) const {
  for (std::size_t at = begin; at < end && at < inexact.size(); ++at) {
    if (inexact[at]) return true;
  }
  return false;
}

AnsiShadow AnsiShadowOf(std::wstring_view wide) {
  AnsiShadow shadow;
  shadow.text.reserve(wide.size());
  std::size_t at = 0;
  while (at < wide.size()) {
    // A surrogate pair is one character.
    const std::size_t units = IS_HIGH_SURROGATE(wide[at]) && at + 1 < wide.size() &&
                                      IS_LOW_SURROGATE(wide[at + 1])
                                  ? 2
                                  : 1;
    char bytes[8];
    BOOL lost = FALSE;
    const int length = ToAnsiExactly(wide.substr(at, units), bytes, sizeof bytes, &lost);
    if (length <= 0 || lost) {
      shadow.text += '?';
      shadow.inexact.push_back(true);
      shadow.wide_at.push_back(at);
    } else {
      shadow.text.append(bytes, static_cast<std::size_t>(length));
      shadow.inexact.insert(shadow.inexact.end(), static_cast<std::size_t>(length), false);
      shadow.wide_at.insert(shadow.wide_at.end(), static_cast<std::size_t>(length), at);
    }
    at += units;
  }
  shadow.wide_at.push_back(wide.size());
  return shadow;
}

#ifdef PELLUMARA_TEST_SEAMS
void SetWideToMultiByteForTests(WideToMultiByteFunction function) {
  g_wide_to_multi_byte = function != nullptr ? function : WideCharToMultiByte;
}
#endif
