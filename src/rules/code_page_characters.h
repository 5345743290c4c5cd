// How the bytes of an ANSI code page form characters. The setup holds names
// in the system's ANSI code page. Under a double-byte code page a
// character's second byte may be any value from 0x40 up, the backslash
// among them: "ソ" is 0x83 0x5C in 932, "表" 0x95 0x5C, "功" 0xA5 0x5C in
// 950; under UTF-8 (65001) a character has up to four bytes. Only a walk
// from the start of a name knows where its characters begin, so every rule
// that splits, joins, searches, compares or cuts a name walks it here, by
// character. (Blanks, quotes, colons, dots, slashes and '%' lie below 0x40
// and are never part of a longer character; a search for them alone finds
// the same either way.)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "common/code_page_bytes.h"

class CodePageCharacters {
 public:
  // For each value of a character's first byte, how many bytes follow it
  // in the same character: 0 for a character of one byte.
  using TrailingBytes = std::array<std::uint8_t, 256>;
  // Lead bytes from first to last, inclusive.
  struct LeadByteRange {
    unsigned char first;
    unsigned char last;
  };
  static constexpr std::size_t npos = std::string_view::npos;

  explicit CodePageCharacters(const TrailingBytes& trailing_bytes)
      : trailing_bytes_(trailing_bytes) {}
  // One byte per character: 1252, 1251, 1253 and the other Western pages.
  static CodePageCharacters SingleByte();
  // A double-byte code page by its lead bytes, each followed by one byte.
  static CodePageCharacters DoubleByte(std::initializer_list<LeadByteRange> lead_bytes);
  // UTF-8, code page 65001: a lead byte announces one to three more.
  static CodePageCharacters Utf8();
  // The code page as Windows describes it: 65001 is UTF-8, any other one
  // has the lead bytes Windows names (none for one of a byte per character).
  static CodePageCharacters Of(const AnsiCodePage& code_page);

  // Where the character after the one that starts at at begins; a
  // character cut short by the end of text ends there.
  std::size_t Next(std::string_view text, std::size_t at) const;
  // A character starts at byte at (the end of text counts): text cut
  // there keeps every character whole.
  bool IsBoundary(std::string_view text, std::size_t at) const;
  // The first character of set (ASCII characters) at or after from, a
  // boundary; npos when there is none.
  std::size_t FindFirstOf(std::string_view text, std::string_view set,
                          std::size_t from = 0) const;
  // The first place at or after from (a boundary) where word (ASCII)
  // starts with a character of text's; npos when there is none.
  std::size_t Find(std::string_view text, std::string_view word, std::size_t from = 0) const;
  // The last character of set in text; npos when there is none.
  std::size_t FindLastOf(std::string_view text, std::string_view set) const;
  // The last character of text lacks bytes its first byte announces: a
  // byte appended would become part of it.
  bool EndsInsideCharacter(std::string_view text) const;
  // The last character of text is c (an ASCII character).
  bool EndsWith(std::string_view text, char c) const;
  // The longest start of text of at most limit bytes that ends between
  // two characters.
  std::size_t WholeLength(std::string_view text, std::size_t limit) const;

 private:
  std::size_t Trailing(char first) const {
    return trailing_bytes_[static_cast<unsigned char>(first)];
  }

  TrailingBytes trailing_bytes_;
  // The bytes that may continue a character: from 0x40 in a double-byte
  // page, 0x80-0xBF in UTF-8. Any other byte after a lead byte stands alone.
  unsigned char continuation_low_ = 0x40;
  unsigned char continuation_high_ = 0xFF;
};
