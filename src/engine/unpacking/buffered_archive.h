// Reading the archive file through minizip's Win32 file functions with a
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

// Fills functions with minizip's Win32 file functions behind a read buffer.
// inner keeps the Win32 functions and must outlive every archive opened
// with functions.
void FillBufferedWin32FileFunctions(zlib_filefunc_def* functions, zlib_filefunc_def* inner);
