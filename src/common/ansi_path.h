// Names that Windows hands out in UTF-16, for a program of the "A"
// functions. A name such as "C:\Users\Şahin" has characters that the ANSI
// code page (1252 on a German Windows) cannot hold. Windows' own conversion
// (every "A" function that returns or takes a name) then puts a look-alike
// in their place: "Ş" becomes "S", "Ł" "L", the fullwidth reverse solidus
// U+FF3C, an ordinary character of a file name, a real "\". The name then
// names another file or folder, or leads up a level. Every name from
// outside becomes the setup's ANSI form only here: exactly, or not at all.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// text in the code page (CP_ACP, CP_UTF8), converted to UTF-16.
std::wstring WideOf(std::string_view text, unsigned code_page);

// The setup's own texts (messages, link names, control texts) are code page
// 1252 bytes whatever code page the system runs: where one becomes a name or
// a text on screen it goes over in UTF-16 from 1252, so that a Japanese,
// Russian or UTF-8 Windows shows and names it as a German one does. Names
// in the setup's ANSI form (paths) take WideOf(name, CP_ACP) instead.
constexpr unsigned kOwnTextCodePage = 1252;
std::wstring OwnText(std::string_view text);

// wide text in the code page; a character the code page cannot hold comes
// out as "?". For logs and lists, never for a path to open.
std::string TextOf(std::wstring_view wide, unsigned code_page);

// The exact ANSI form of wide text: false when a character has none, and
// never a look-alike.
bool ExactAnsiOf(std::wstring_view wide, std::string* ansi);

// The exact ANSI form of path. Where the code page lacks a character, the
// levels that exist are named by their short (8.3) names, which hold only
// such characters, and the levels below them must be exact. False when no
// exact form exists: a new level beyond the code page, or a volume without
// short names.
bool AnsiPathOf(const wchar_t* path, std::string* ansi);

// The full path of an ANSI path of the setup's (a relative one from the
// current directory, "." and ".." levels resolved), in its exact ANSI form.
// False when it has none.
bool FullAnsiPathOf(const std::string& path, std::string* full);

// Wide text in the code page character by character, to be read like ANSI
// text while its wide original stays at hand: a character the code page
// lacks becomes "?" and is marked. wide_at gives, for each byte of text and
// one past its end, the index of the wide character it came from.
struct AnsiShadow {
  std::string text;
  std::vector<bool> inexact;
  std::vector<std::size_t> wide_at;

  // Whether any character of text's bytes [begin, end) has no exact form.
  bool Inexact(std::size_t begin, std::size_t end) const;
};
AnsiShadow AnsiShadowOf(std::wstring_view wide);

// Test builds only: the function the conversions to a code page call in
// place of WideCharToMultiByte (nullptr for it), so that a test can hold
// them to what Windows accepts where Wine is lenient.
using WideToMultiByteFunction = int(__stdcall*)(unsigned, unsigned long, const wchar_t*, int,
                                                char*, int, const char*, int*);
void SetWideToMultiByteForTests(WideToMultiByteFunction function);
