// Rules of unpacking the viewer archive that need no file system: which
// entry names are safe to write, and the temporary file's path.
#pragma once

#include <cstddef>
#include <string_view>

// True when an entry name stays inside the folder it is unpacked into: it
// is not absolute ("/" or "\" first), names no drive, holds no colon (that
// would also reach an alternate data stream) and no parent component. A
// component made only of dots and blanks with at least two dots counts as a
// parent, because Windows drops trailing dots and blanks from names.
bool IsSafeEntryName(std::string_view name);

// The part of an entry name behind its last "/" or "\"; empty for a folder.
std::string_view EntryNamePart(std::string_view name);

// Writes temp_folder, a backslash unless it ends in one, and file_name into
// path (path_size bytes). False, with path empty, when temp_folder is empty
// or the result does not fit.
bool BuildTempFilePath(std::string_view temp_folder, std::string_view file_name, char* path,
                       std::size_t path_size);
