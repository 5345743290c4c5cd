// The viewer's own files as the payload: a folder of them packed into the
// archive layout the setup expects, or a ready archive checked before it is
// embedded as it is. Whatever would not install as given is a problem, one
// line of text each.
#pragma once

#include <string>
#include <vector>

#include "payload_archive.h"

// The entries of a folder. In each folder its files come first, then its
// subfolders, each group by name in byte order, and every folder entry comes
// before its contents; each entry carries its own modification time as DOS
// time in UTC, no later than SOURCE_DATE_EPOCH where that is set. Names
// Windows would not keep as given (payload_names.h), symbolic links and
// special files are problems.
std::vector<PayloadEntry> FolderEntries(const std::string& folder,
                                        std::vector<std::string>& problems);

// The entry names of a ready archive. An archive that cannot be read, and
// entries that are links or special files (by their Unix mode), encrypted,
// neither stored nor deflated, or damaged, are problems.
std::vector<std::string> ArchiveEntryNames(const std::string& archive,
                                           std::vector<std::string>& problems);
