#include "engine/unpacking/buffered_archive.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <new>

namespace {

// minizip reads headers a few bytes and entry data 16 KB at a time; both
// are served from here, and the file is read in pieces this large.
constexpr uLong kReadBufferSize = 256 * 1024;

// A piece of the file held in memory: where it starts, how long it is, and
// when it was last used.
struct Window {
  long start = 0;
  uLong length = 0;
  unsigned long long used = 0;
  char bytes[kReadBufferSize];
};

// One archive opened on the file: the logical position, two windows of the
// file (minizip goes back and forth between the central directory at the
// end and each entry's data: each keeps a window of its own), and whether
// a read failed.
struct BufferedStream {
  HANDLE file = nullptr;
  long position = 0;
  unsigned long long uses = 0;
  bool failed = false;
  Window windows[2];
};

voidpf ZCALLBACK BufferedOpen(voidpf opaque, const char*, int mode) {
  // The file is only read.
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  BufferedStream* stream = new (std::nothrow) BufferedStream;
  if (stream != nullptr) stream->file = static_cast<HANDLE>(opaque);
  return stream;
}

// Reads from the file at the logical position: the handle is put there
// first, so nothing depends on where it stood (at the end of the file
// after it was written). A plain read of a synchronous handle, which
// reports to no completion port.
uLong ReadAt(BufferedStream* stream, void* buf, uLong size) {
  LARGE_INTEGER at;
  at.QuadPart = stream->position;
  DWORD read = 0;
  if (stream->position < 0 || !SetFilePointerEx(stream->file, at, nullptr, FILE_BEGIN) ||
      !ReadFile(stream->file, buf, size, &read, nullptr)) {
    stream->failed = true;
    return 0;
  }
  return read;
}

// The window that holds the position, or nullptr.
Window* WindowAt(BufferedStream* stream) {
  for (Window& window : stream->windows) {
    const long offset = stream->position - window.start;
    if (offset >= 0 && static_cast<uLong>(offset) < window.length) return &window;
  }
  return nullptr;
}

// The window used longest ago, filled from the position on.
Window* FillWindow(BufferedStream* stream) {
  Window* oldest = &stream->windows[0];
  if (stream->windows[1].used < oldest->used) oldest = &stream->windows[1];
  oldest->start = stream->position;
  oldest->length = ReadAt(stream, oldest->bytes, kReadBufferSize);
  return oldest->length != 0 ? oldest : nullptr;
}

uLong ZCALLBACK BufferedRead(voidpf, voidpf stream_pointer, void* buf, uLong size) {
  BufferedStream* stream = static_cast<BufferedStream*>(stream_pointer);
  char* out = static_cast<char*>(buf);
  uLong done = 0;
  while (done < size) {
    Window* window = WindowAt(stream);
    if (window == nullptr && size - done >= kReadBufferSize) {
      // A large read goes straight into the caller's memory.
      uLong read = ReadAt(stream, out + done, size - done);
      done += read;
      stream->position += static_cast<long>(read);
      break;
    }
    if (window == nullptr) window = FillWindow(stream);
    if (window == nullptr) break;
    window->used = ++stream->uses;
    const uLong offset = static_cast<uLong>(stream->position - window->start);
    uLong take = window->length - offset;
    if (take > size - done) take = size - done;
    std::memcpy(out + done, window->bytes + offset, take);
    done += take;
    stream->position += static_cast<long>(take);
  }
  return done;
}

long ZCALLBACK BufferedTell(voidpf, voidpf stream) {
  return static_cast<BufferedStream*>(stream)->position;
}

long ZCALLBACK BufferedSeek(voidpf, voidpf stream_pointer, uLong offset, int origin) {
  BufferedStream* stream = static_cast<BufferedStream*>(stream_pointer);
  if (origin == ZLIB_FILEFUNC_SEEK_SET) {
    stream->position = static_cast<long>(offset);
  } else if (origin == ZLIB_FILEFUNC_SEEK_CUR) {
    stream->position += static_cast<long>(offset);
  } else {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(stream->file, &size) || size.QuadPart + offset > LONG_MAX) return -1;
    stream->position = static_cast<long>(size.QuadPart + offset);
  }
  return 0;
}

// The file stays open: it is its owner's.
int ZCALLBACK BufferedClose(voidpf, voidpf stream) {
  delete static_cast<BufferedStream*>(stream);
  return 0;
}

int ZCALLBACK BufferedError(voidpf, voidpf stream) {
  return static_cast<BufferedStream*>(stream)->failed ? 1 : 0;
}

}  // namespace

void FillBufferedFileFunctions(zlib_filefunc_def* functions, HANDLE file) {
  functions->zopen_file = BufferedOpen;
  functions->zread_file = BufferedRead;
  functions->zwrite_file = nullptr;  // the archive is only read
  functions->ztell_file = BufferedTell;
  functions->zseek_file = BufferedSeek;
  functions->zclose_file = BufferedClose;
  functions->zerror_file = BufferedError;
  functions->opaque = file;
}
