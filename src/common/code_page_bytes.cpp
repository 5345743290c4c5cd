#include "common/code_page_bytes.h"

#include <windows.h>

namespace {

// The lead bytes as ranges, from Windows' test of each byte: where the
// code page's description cannot be had.
void LeadBytesByTest(AnsiCodePage& code_page) {
  std::size_t at = 0;
  for (unsigned byte = 0x80; byte <= 0xFF && at + 2 < kLeadByteFieldSize; ++byte) {
    if (!IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(byte))) continue;
    code_page.lead_bytes[at] = static_cast<unsigned char>(byte);
    while (byte < 0xFF && IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(byte + 1))) ++byte;
    code_page.lead_bytes[at + 1] = static_cast<unsigned char>(byte);
    at += 2;
  }
}

AnsiCodePage AskWindows() {
  AnsiCodePage code_page;
  code_page.number = GetACP();
  // The lead-byte ranges of a double-byte code page (932, 936, 949, 950);
  // Windows gives none for UTF-8, which the rules know by its number.
  CPINFOEXW info;
  if (!GetCPInfoExW(CP_ACP, 0, &info)) {
    LeadBytesByTest(code_page);
    return code_page;
  }
  static_assert(sizeof info.LeadByte == kLeadByteFieldSize, "CPINFOEX's lead-byte field");
  for (std::size_t i = 0; i < kLeadByteFieldSize; ++i) code_page.lead_bytes[i] = info.LeadByte[i];
  return code_page;
}

}  // namespace

const AnsiCodePage& SystemAnsiCodePage() {
  static const AnsiCodePage code_page = AskWindows();
  return code_page;
}
