// Rules of the viewer archive that need no file system: which entry names
// are safe to write, which entries the setup needs, and the temporary file's
// path.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "rules/code_page_characters.h"

// True when an entry name stays inside the folder it is unpacked into: it
// is not absolute ("/" or "\" first), names no drive, holds no colon (that
// would also reach an alternate data stream) and no parent component. A
// component made only of dots and blanks with at least two dots counts as a
// parent, because Windows drops trailing dots and blanks from names.
// A name is ASCII, too: an archive does not say in which code page its
// other bytes are meant, and the system's would read them as other
// characters, or split one at a byte that reads as a separator. Every walk
// of an entry name is a walk of ASCII bytes. No control character, and no
// component that Windows reads as a device (CON, PRN, AUX, NUL, COM0-9,
// LPT0-9, CONIN$, CONOUT$; in any case, with any extension, with trailing
// dots or blanks).
bool IsSafeEntryName(std::string_view name);

// The entries the setup itself refers to, with "/" between folders: the
// viewer, the uninstaller, the documents its links open and the toolbar skins
// its settings name. A payload without any of them is refused by the build.
std::vector<std::string> RequiredPayloadEntries();

// The required entries that entry_names lacks, in the order above. Names are
// compared as Windows compares file names: "\" is "/", and ASCII letters
// match in either case.
std::vector<std::string> MissingPayloadEntries(const std::vector<std::string>& entry_names);

// A name or path as Windows looks it up, walked by the characters of its
// code page: "/" for every "\", ASCII letters in lower case; a character
// of more bytes stays as it is, although its second byte may read as a
// backslash or a letter. Two names with the same key name the same file.
std::string FileSystemKey(std::string_view name, const CodePageCharacters& characters);

// What a name below the target folder (relative, "/" or "\" between its
// levels, ASCII as entry names are) is to the payload whose entries are
// entry_names: one of its files, a folder that holds some of them, or
// neither. Compared as Windows compares names (FileSystemKey); a name
// beyond ASCII is never the payload's.
enum class PayloadNameKind { kNone, kFile, kFolder };
PayloadNameKind PayloadNameOf(std::string_view relative,
                              const std::vector<std::string>& entry_names);

// The part of an entry name behind its last "/" or "\"; empty for a folder.
// Also of a path in UTF-8, where no byte of a longer character is ASCII.
std::string_view EntryNamePart(std::string_view name);

// Writes temp_folder, a backslash unless it ends in one, and file_name into
// path (path_size bytes). False, with path empty, when temp_folder is empty
// or the result does not fit.
bool BuildTempFilePath(std::string_view temp_folder, std::string_view file_name, char* path,
                       std::size_t path_size, const CodePageCharacters& characters);
