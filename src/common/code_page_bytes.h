// What Windows says of its ANSI code page, the one the setup's names are
// held in: its number and where its characters of two bytes begin. The
// rules walk names with it (rules/code_page_characters.h).
#pragma once

#include <cstddef>

// Windows keeps up to five lead-byte ranges, ended by two zero bytes.
constexpr std::size_t kLeadByteFieldSize = 12;

struct AnsiCodePage {
  unsigned number = 1252;
  // Pairs of first and last lead byte, inclusive, as CPINFOEX's LeadByte
  // gives them: all zero for a code page of one byte per character, and
  // for UTF-8 (65001), whose characters Windows describes by number only.
  unsigned char lead_bytes[kLeadByteFieldSize] = {};
};

// The system's ANSI code page, asked once.
const AnsiCodePage& SystemAnsiCodePage();
