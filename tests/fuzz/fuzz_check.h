// What the fuzz targets share: a check that stops the run with the rule's
// broken promise, and the code pages a target walks names under.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "rules/code_page_characters.h"

// Unlike assert, stays in a build with NDEBUG.
#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "%s:%d: promise broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                  \
    }                                                                                \
  } while (false)

// One byte of the input picks the code page: 1252, 932 (Shift JIS) or
// 65001 (UTF-8), the three the setup is tested under.
inline CodePageCharacters CodePageFromByte(std::uint8_t choice) {
  switch (choice % 3) {
    case 0: return CodePageCharacters::SingleByte();
    case 1: return CodePageCharacters::DoubleByte({{0x81, 0x9F}, {0xE0, 0xFC}});
    default: return CodePageCharacters::Utf8();
  }
}
