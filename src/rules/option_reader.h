// Reading the silent-mode options from the command line.
#pragma once

#include <cstddef>

#include "common/install_options.h"

constexpr std::size_t kCommandLineSize = 520;  // longer lines are cut to 519 characters

// Copies the raw command line into the option buffer, cut to 519 characters.
void CopyCommandLine(const char* raw, char (&out)[kCommandLineSize]);

// Finds the first occurrence of name (case-sensitive, name includes its slash
// and equals sign) and copies its value into value (kPathSize bytes): every
// character up to the next '/' or the end, and no further than 260 characters
// from the name's first character. Returns false when the name does not occur.
bool ReadOptionValue(const char* command_line, const char* name, char* value);

// Reads "/folder=", "/desktop=", "/thumbs=", "/group=", "/allusers=", "/assoc="
// and "/ini=" in that order into options. Options that are absent keep the
// value options already holds.
void ApplyCommandLineOptions(const char* command_line, InstallOptions& options);

// The folder of an earlier installation from the default value of its open
// command ("\"<folder>p_mara64.exe\" \"%1\""), with a trailing backslash.
// Returns false, with out empty, when the value does not name the viewer or
// its folder is not absolute.
bool FolderFromOpenCommand(const char* command, char* out);
