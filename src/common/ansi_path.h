// Paths that Windows hands out in UTF-16, for a program of the "A"
// functions. A folder such as "C:\Users\Łukasz" has characters that the
// ANSI code page (1252 on a German Windows) cannot hold: its ANSI form has
// "?" in their place and names nothing.
#pragma once

#include <string>
#include <string_view>

// text in the code page (CP_ACP, CP_UTF8), converted to UTF-16.
std::wstring WideOf(std::string_view text, unsigned code_page);

// wide text in the code page; a character the code page cannot hold comes
// out as "?". For logs and lists, never for a path to open.
std::string TextOf(std::wstring_view wide, unsigned code_page);

// The ANSI form of path when the code page holds every character; else the
// ANSI form of its short (8.3) name, which has only such characters. False
// when neither names it (a volume without short names).
bool AnsiPathOf(const wchar_t* path, std::string* ansi);

// The ANSI form of a name as it is, character for character; false when a
// character has none in the code page (no look-alike is ever taken). For a
// listed name that is compared with the setup's own names.
bool ExactAnsiOf(std::wstring_view wide, std::string* ansi);
