// Reading the archive file through minizip's Win32 file functions with a
// buffer in front: minizip reads each entry's headers a few bytes at a
// time, and every read of the file costs a call into the system.
#pragma once

#include <utility>

#include "unzip.h"

// An archive opened with minizip, closed once when the owner goes.
class OpenedArchive {
 public:
  explicit OpenedArchive(unzFile archive = nullptr) : archive_(archive) {}
  ~OpenedArchive() {
    if (archive_ != nullptr) unzClose(archive_);
  }
  OpenedArchive(OpenedArchive&& other) noexcept : archive_(std::exchange(other.archive_, nullptr)) {}
  OpenedArchive& operator=(OpenedArchive&& other) noexcept {
    std::swap(archive_, other.archive_);
    return *this;
  }
  OpenedArchive(const OpenedArchive&) = delete;
  OpenedArchive& operator=(const OpenedArchive&) = delete;

  unzFile Get() const { return archive_; }
  explicit operator bool() const { return archive_ != nullptr; }

 private:
  unzFile archive_;
};

// Fills functions with minizip's Win32 file functions behind a read buffer.
// inner keeps the Win32 functions and must outlive every archive opened
// with functions.
void FillBufferedWin32FileFunctions(zlib_filefunc_def* functions, zlib_filefunc_def* inner);
