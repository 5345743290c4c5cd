// Rules of an upgrade that need no file system: the names of the files the
// setup makes beside the entries it writes, the journal that lets the next
// run finish a killed one, and the leftovers of killed runs it may remove.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The name part of the setup's own files beside an entry: "~", eight hex
// digits and ".pm" ("~1a2b3c4d.pm"). Staged new files and files moved aside
// carry it; nothing else the setup writes does.
constexpr std::size_t kFreshNameLength = 12;
// The fresh name made from a random number, and the test of one.
std::string FreshFileName(unsigned number);
bool IsFreshFileName(std::string_view name_part);
// What a search for fresh names in a folder asks for.
constexpr char kFreshNamePattern[] = "~*.pm";

// The folder part of an entry name: everything up to and including its last
// "/" or "\" (empty for a name in the top folder). Also of a path in UTF-8.
std::string_view EntryFolderPart(std::string_view name);

// The private temporary folder of one run: "pmarag-" and sixteen hex digits,
// made from two random numbers; and the search for such folders.
std::string PrivateTempFolderName(unsigned high, unsigned low);
bool IsPrivateTempFolderName(std::string_view name);
constexpr char kPrivateTempFolderPattern[] = "pmarag-*";

// One journal line: the staged file, "|" (no Windows name holds one), the
// entry's name, a line feed.
std::string FormatJournalLine(std::string_view staged, std::string_view name);

// Reads one journal line (without its line feed) into staged and name.
// False for anything the setup would not have written: a staged name that
// is not a fresh name in the entry's own folder, or an entry name that would
// leave the folder. A line that passes can name only the setup's own files
// below the target folder.
bool ParseJournalLine(std::string_view line, std::string* staged, std::string* name);
