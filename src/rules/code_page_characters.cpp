#include "rules/code_page_characters.h"

namespace {

constexpr unsigned kUtf8CodePage = 65001;

}  // namespace

CodePageCharacters CodePageCharacters::SingleByte() { return CodePageCharacters(TrailingBytes{}); }

CodePageCharacters CodePageCharacters::DoubleByte(std::initializer_list<LeadByteRange> lead_bytes) {
  TrailingBytes trailing{};
  for (const LeadByteRange& range : lead_bytes) {
    for (unsigned byte = range.first; byte <= range.last; ++byte) trailing[byte] = 1;
  }
  return CodePageCharacters(trailing);
}

CodePageCharacters CodePageCharacters::Utf8() {
  // 0xC2-0xDF start two bytes, 0xE0-0xEF three, 0xF0-0xF4 four. Trailing
  // bytes (0x80-0xBF) and the bytes no character starts with stand alone.
  TrailingBytes trailing{};
  for (unsigned byte = 0xC2; byte <= 0xF4; ++byte) {
    trailing[byte] = byte <= 0xDF ? 1 : byte <= 0xEF ? 2 : 3;
  }
  CodePageCharacters utf8(trailing);
  utf8.continuation_low_ = 0x80;
  utf8.continuation_high_ = 0xBF;
  return utf8;
}

CodePageCharacters CodePageCharacters::Of(const AnsiCodePage& code_page) {
  if (code_page.number == kUtf8CodePage) return Utf8();
  TrailingBytes trailing{};
  for (std::size_t i = 0; i + 1 < kLeadByteFieldSize; i += 2) {
    const unsigned first = code_page.lead_bytes[i];
    const unsigned last = code_page.lead_bytes[i + 1];
    if (first == 0 && last == 0) break;
    for (unsigned byte = first; byte <= last; ++byte) trailing[byte] = 1;
  }
  return CodePageCharacters(trailing);
}

std::size_t CodePageCharacters::Next(std::string_view text, std::size_t at) const {
  if (at >= text.size()) return text.size();
  // A byte that cannot continue a character stands alone after a lead
  // byte, as Windows converts it: a stray lead byte in UTF-8 never
  // swallows the separator after it.
  std::size_t next = at + 1;
  for (std::size_t left = Trailing(text[at]); left > 0 && next < text.size(); --left) {
    const unsigned char byte = static_cast<unsigned char>(text[next]);
    if (byte < continuation_low_ || byte > continuation_high_) break;
    ++next;
  }
  return next;
}

bool CodePageCharacters::IsBoundary(std::string_view text, std::size_t at) const {
  std::size_t walked = 0;
  while (walked < at && walked < text.size()) walked = Next(text, walked);
  return walked == at;
}

std::size_t CodePageCharacters::FindFirstOf(std::string_view text, std::string_view set,
                                            std::size_t from) const {
  // A character of more bytes starts at 0x80 or above and is never one of
  // set's.
  for (std::size_t at = from; at < text.size(); at = Next(text, at)) {
    if (set.find(text[at]) != std::string_view::npos) return at;
  }
  return npos;
}

std::size_t CodePageCharacters::Find(std::string_view text, std::string_view word,
                                     std::size_t from) const {
  for (std::size_t at = from; at < text.size(); at = Next(text, at)) {
    if (text.substr(at, word.size()) == word) return at;
  }
  return word.empty() && from <= text.size() ? from : npos;
}

std::size_t CodePageCharacters::FindLastOf(std::string_view text, std::string_view set) const {
  std::size_t last = npos;
  for (std::size_t at = FindFirstOf(text, set); at != npos;
       at = FindFirstOf(text, set, Next(text, at))) {
    last = at;
  }
  return last;
}

bool CodePageCharacters::EndsInsideCharacter(std::string_view text) const {
  std::size_t last = 0;
  for (std::size_t at = 0; at < text.size(); at = Next(text, at)) last = at;
  return !text.empty() && Trailing(text[last]) > text.size() - last - 1;
}

bool CodePageCharacters::EndsWith(std::string_view text, char c) const {
  return !text.empty() && FindLastOf(text, std::string_view(&c, 1)) == text.size() - 1;
}

std::size_t CodePageCharacters::WholeLength(std::string_view text, std::size_t limit) const {
  std::size_t whole = 0;
  for (std::size_t next = Next(text, 0); whole < text.size() && next <= limit;
       next = Next(text, next)) {
    whole = next;
  }
  return whole;
}
