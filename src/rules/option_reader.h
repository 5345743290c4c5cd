// Reading the silent-mode options from the command line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/install_options.h"
#include "rules/code_page_characters.h"

constexpr std::size_t kCommandLineSize = 520;  // longer lines are cut to 519 characters

// Copies the raw command line into the option buffer, cut to 519 characters.
void CopyCommandLine(const char* raw, char (&out)[kCommandLineSize]);

// Finds the first occurrence of name (case-sensitive, name includes its slash
// and equals sign) and copies its value into value (kPathSize bytes): every
// character up to the next '/' or the end, and no further than 260 characters
// from the name's first character. Returns false when the name does not occur.
bool ReadOptionValue(const char* command_line, const char* name, char* value);

// The option names, slash and equals sign included, as the command line
// carries them (case-sensitive).
constexpr char kFolderOption[] = "/folder=";
constexpr char kDesktopOption[] = "/desktop=";
constexpr char kThumbsOption[] = "/thumbs=";
constexpr char kGroupOption[] = "/group=";
constexpr char kAllUsersOption[] = "/allusers=";
constexpr char kAssocOption[] = "/assoc=";
constexpr char kIniOption[] = "/ini=";
// The run log's file, read like a folder option; no log without it.
constexpr char kLogOption[] = "/log=";
constexpr char kSilentSwitch[] = "/silent";

// True when the value read for name stopped at a limit of the reader
// instead of at a '/' or the end of what was typed: it reaches 260
// characters from the name's first character, or it runs to the end of a
// command line that was cut (line_was_cut). Such a value may be cut short
// and would name another folder than the one typed.
bool OptionValueIsCut(const char* command_line, const char* name, bool line_was_cut);

// The texts of the command line that no option takes, program path left
// out: each run of text between what the options read (their names, and
// the values the reader takes; a repeated option's later occurrences are
// not read), trimmed of blanks. Unrecognised text changes nothing; these
// are only noted in the run log.
std::vector<std::string> UnreadCommandLineText(const char* command_line);

// Where a folder value lies in a command line, as ReadOptionValue and
// UnquoteFolder leave it: bytes [begin, end). The platform layer maps it
// back to the characters Windows gave.
struct ValueSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
};
// False, with an empty span, when name does not occur.
bool FolderValueSpan(const char* command_line, const char* name, ValueSpan* span);

// What the setup was started for.
enum class StartMode { kUsageText, kSilent, kWizard };

// The command line as start-up reads it, once: every later step takes what
// it needs from here.
struct StartRequest {
  std::string raw;                        // as Windows gave it
  char command_line[kCommandLineSize];    // cut to 519 characters: options are read here
  bool line_cut = false;                  // the raw line was longer
  // "/silent" anywhere on the raw line; else "/?" or "/help" anywhere for
  // the usage text instead of an installation; else the wizard.
  StartMode mode = StartMode::kWizard;
  bool log_asked = false;                 // "/log=" given
  char log_value[kPathSize] = "";         // its value, quotes removed
  bool log_value_cut = false;             // it may have been cut
  InstallOptions options;                 // the options as read, over empty defaults
  bool folder_given = false;              // "/folder=" given: its value replaces any proposal
  bool folder_value_cut = false;          // "/folder=" or "/ini=" values that may have been cut
  bool ini_value_cut = false;
  std::vector<std::string> unread;        // the text no option takes
  // Where the values of "/log=", "/folder=" and "/ini=" lie in command_line.
  ValueSpan log_span, folder_span, ini_span;
  // A value with a character the code page lacks, and no exact form (the
  // platform layer finds out): it names no folder or file the setup can
  // write, and is refused before anything is written.
  bool log_value_inexact = false;
  bool folder_value_inexact = false;
  bool ini_value_inexact = false;
};
// inexact, where given, marks the bytes of raw_command_line that stand for
// a character the code page lacks ("?"): such a "?" never makes "/?".
StartRequest ReadStartRequest(const char* raw_command_line,
                              const std::vector<bool>* inexact = nullptr);

// The mode the raw command line asks for is the usage text.
bool WantsUsageText(const char* raw_command_line);

// Reads "/folder=", "/desktop=", "/thumbs=", "/group=", "/allusers=", "/assoc="
// and "/ini=" in that order into options. Options that are absent keep the
// value options already holds. True when "/folder=" was given.
bool ApplyCommandLineOptions(const char* command_line, InstallOptions& options);

// The folder of an earlier installation from the default value of its open
// command ("\"<folder>p_mara64.exe\" \"%1\""), with a trailing backslash.
// Returns false, with out empty, when the value does not name the viewer or
// its folder is not absolute. The folder ends at the last separator among
// the command's characters.
bool FolderFromOpenCommand(const char* command, char* out, const CodePageCharacters& characters);
