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
// before its contents; each entry carries its own modification time as local
// DOS time. Names Windows cannot store as given, names outside ASCII,
// symbolic links and special files are problems.
std::vector<PayloadEntry> FolderEntries(const std::string& folder,
                                        std::vector<std::string>& problems);

// The entry names of a ready archive. An archive that cannot be read, and
// entries that are encrypted or neither stored nor deflated, are problems.
std::vector<std::string> ArchiveEntryNames(const std::string& archive,
                                           std::vector<std::string>& problems);

// Every required entry the names lack and every name that would leave the
// target folder.
void CheckPayloadNames(const std::vector<std::string>& names, std::vector<std::string>& problems);
