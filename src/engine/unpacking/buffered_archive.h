// Reading the archive file through the handle it was written with, with a
// buffer in front: minizip reads each entry's headers a few bytes at a
// time, and every read of the file costs a call into the system.
#pragma once

#include "common/scoped_win.h"
#include "unzip.h"

struct OpenedArchiveTraits {
  static unzFile Empty() { return nullptr; }
  static bool IsValid(unzFile archive) { return archive != nullptr; }
  static bool Release(unzFile archive) { return unzClose(archive) == UNZ_OK; }
};
// An archive opened with minizip, closed once when the owner goes.
using OpenedArchive = scoped_win_detail::Owner<unzFile, OpenedArchiveTraits>;

// Fills functions with file functions that read the open file behind a
// read buffer. minizip's open hands out that file whatever name it is
// given: the archive is never opened by a name again, which by then may
// lead to another file. file (opened for reading, synchronous) must stay
// open while an archive opened with functions lives; they never close it.
void FillBufferedFileFunctions(zlib_filefunc_def* functions, HANDLE file);
