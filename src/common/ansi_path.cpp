#include "common/ansi_path.h"

#include <windows.h>

#include <string>

namespace {

// The ANSI form of text; false when a character has none.
bool ToAnsi(const wchar_t* text, std::string* ansi) {
  BOOL lost = FALSE;
  const int length =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, nullptr, 0, nullptr, &lost);
  if (length <= 0 || lost) return false;
  std::string converted(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, &converted[0], length, nullptr,
                          &lost) != length ||
      lost) {
    return false;
  }
  converted.resize(static_cast<std::size_t>(length - 1));
  *ansi = std::move(converted);
  return true;
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

std::string TextOf(std::wstring_view wide, unsigned code_page) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), &text[0], size,
                        nullptr, nullptr);
  }
  return text;
}

bool AnsiPathOf(const wchar_t* path, std::string* ansi) {
  if (ToAnsi(path, ansi)) return true;
  const DWORD needed = GetShortPathNameW(path, nullptr, 0);
  if (needed == 0) return false;
  std::wstring short_path(needed, L'\0');
  const DWORD length = GetShortPathNameW(path, &short_path[0], needed);
  if (length == 0 || length >= needed) return false;
  short_path.resize(length);
  return ToAnsi(short_path.c_str(), ansi);
}

bool ExactAnsiOf(std::wstring_view wide, std::string* ansi) {
  // A NUL inside would end the conversion early and pass for the whole.
  if (wide.find(L'\0') != std::wstring_view::npos) return false;
  return ToAnsi(std::wstring(wide).c_str(), ansi);
}
