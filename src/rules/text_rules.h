// String rules shared by every subsystem: bounded copies into the fixed path
// buffers, blank trimming and the atoi-style number reading of the options.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "rules/code_page_characters.h"

// Copies src into dest (dest_size bytes, terminator included). Returns false
// and leaves dest unchanged when src does not fit.
bool CopyBounded(char* dest, std::size_t dest_size, std::string_view src);

// Appends src to the terminated string in dest. Returns false and leaves dest
// unchanged when the result would not fit.
bool AppendBounded(char* dest, std::size_t dest_size, std::string_view src);

// True when a and b hold the same ASCII letters, whatever their case. With
// one of them ASCII, byte for byte under any code page: a byte of a longer
// character that the other holds makes it unequal.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Appends a backslash unless the path's last character is one. Only done
// while the path has at most 258 bytes, so it still fits a 260-byte buffer.
void AppendBackslash(char* path, const CodePageCharacters& characters);

// Removes trailing blanks, then leading blanks if the string is shorter than
// 260 characters. Only ' ' counts as a blank, which is never part of a
// longer character: trimmed byte by byte under any code page.
void TrimBlanks(char* path);

// A folder the setup may install into: with its surrounding blanks trimmed
// it starts with a drive letter, a colon and a backslash, or with two
// backslashes (a UNC path). A relative folder, or a drive-relative one such
// as "C:Pellumara", would name a different place depending on the current
// directory.
bool IsAbsoluteFolder(std::string_view folder);

// A settings folder the setup may write and the viewer find again: its
// value after expansion is empty (the settings stay in the program folder)
// or absolute, and holds no control character (bytes below 0x20, which a
// line of the settings file cannot carry and no code page uses inside a
// longer character). A relative value would be written for the viewer to
// resolve against its own current folder.
bool IsUsableSettingsFolder(std::string_view expanded);

// Any byte below 0x20.
bool HoldsControlCharacter(std::string_view text);

// The text starts with a drive letter, a colon and a backslash.
bool StartsWithDriveRoot(std::string_view text);

// Cleans a folder value from the command line: trailing blanks, one closing
// and one opening quote, trailing blanks again. Leading blanks stay.
void UnquoteFolder(char* path);
// The same, as the part of value that stays.
std::string_view UnquotedFolder(std::string_view value);

// Reads a decimal number the way atoi does (leading white space, optional
// sign, digits up to the first non-digit; no digits gives 0), but saturates
// at the int range instead of overflowing.
int ReadDecimal(const char* text);

// Replaces the placeholders ("%d", "%s") of text with the values in turn;
// placeholders beyond the values stay, values beyond the placeholders are
// dropped. A value's own text is never searched again.
std::string FillPlaceholders(std::string text, std::string_view placeholder,
                             const std::vector<std::string>& values);

// Fills the "%d" placeholders of text with the numbers in turn, as above.
std::string FillNumbers(std::string text, std::initializer_list<unsigned long long> numbers);
