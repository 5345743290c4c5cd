// Unpacking an opened archive into the target folder: every entry staged
// beside its name, then the commit.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/scoped_win.h"
#include "engine/unpacking/unpacking_result.h"
#include "unzip.h"

// Entry data goes to the disk in pieces of this size: every write is a call
// into the system, and most of the viewer's files fit in one.
constexpr unsigned kEntryBufferSize = 256 * 1024;

// Reads the archive through archive_file (open for reading, as it was
// written: never by a name, which may lead to another file by now) and
// unpacks every entry into folder (an existing folder, full path), which
// the caller holds as held_folder, the levels above it held too, so that
// nobody can move them meanwhile: every entry goes in relative to that
// handle. Unpacked when every entry was unpacked or kept; not when the
// archive cannot be opened, the folder is none or not held (held_folder
// null or empty) or the extraction failed (the folder is then as it was).
UnpackingResult UnzipToFolder(HANDLE archive_file, const char* folder,
                              const ScopedHandle* held_folder);

// Unpacks every entry of an opened archive below folder (full path, ending
// in a backslash; held_folder its held handle, every entry's folder opened
// relative to it), with their paths, all or nothing. First a killed run's leftovers there
// are finished or removed and the volume's free space is checked against
// the archive's unpacked size. Then every file entry is staged: written to
// a fresh file of its own beside its name and checked (length, CRC); a
// link or junction at an entry's folders is replaced, never written
// through. Only when all are staged does each fresh file take its entry's
// name (entry_commit.h). A read-only file at a name is kept. Not unpacked
// when the space is short, a name is unsafe or does not fit, a file cannot
// be made, data is faulty (read, inflate, short, CRC) or the commit could
// not be finished: then every file made and every folder created that is
// still empty is removed again, and each name keeps what it held.
UnpackingResult ExtractAllEntries(unzFile archive, const std::string& folder,
                                  const ScopedHandle& held_folder);

