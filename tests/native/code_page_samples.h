// The code pages the rules' tests walk names in, as Windows describes them
// (their documented lead-byte ranges), and characters of theirs whose
// second byte is a backslash or an ASCII letter.
#pragma once

#include "common/code_page_bytes.h"
#include "rules/code_page_characters.h"

namespace samples {

inline CodePageCharacters Japanese() {  // 932
  return CodePageCharacters::Of({932, {0x81, 0x9F, 0xE0, 0xFC}});
}
inline CodePageCharacters SimplifiedChinese() {  // 936
  return CodePageCharacters::Of({936, {0x81, 0xFE}});
}
inline CodePageCharacters Korean() {  // 949
  return CodePageCharacters::Of({949, {0x81, 0xFE}});
}
inline CodePageCharacters TraditionalChinese() {  // 950
  return CodePageCharacters::Of({950, {0x81, 0xFE}});
}
inline CodePageCharacters Utf8() { return CodePageCharacters::Of({65001, {}}); }
inline CodePageCharacters Western() { return CodePageCharacters::Of({1252, {}}); }

// 932
constexpr char kSo[] = "\x83\x5C";         // ソ
constexpr char kHyo[] = "\x95\x5C";        // 表
constexpr char kFurii[] = "\x83\x74\x83\x8A\x81\x5B";  // フリー
constexpr char kA[] = "\x83\x41";          // ア; "\x83\x61" is ヂ
constexpr char kDi[] = "\x83\x61";
// 936
constexpr char kJo[] = "\x81\x5C";         // 乗
// 949
constexpr char kGak[] = "\x81\x41";        // 갂
// 950
constexpr char kGong[] = "\xA5\x5C";       // 功
constexpr char kXu[] = "\xB3\x5C";         // 許
// UTF-8
constexpr char kHyoUtf8[] = "\xE8\xA1\xA8";  // 表

}  // namespace samples
