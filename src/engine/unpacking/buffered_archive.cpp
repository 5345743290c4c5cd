#include "engine/unpacking/buffered_archive.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <new>

namespace {

// minizip reads headers a few bytes and entry data 16 KB at a time; both
// are served from here, and the file is read in pieces this large.
constexpr uLong kReadBufferSize = 256 * 1024;

// One archive opened on the file: the logical position, the window of the
// file the buffer holds, and whether a read failed.
struct BufferedStream {
  HANDLE file = nullptr;
  long position = 0;
  long buffer_start = 0;
  uLong buffer_length = 0;
  bool failed = false;
  char buffer[kReadBufferSize];
};

voidpf ZCALLBACK BufferedOpen(voidpf opaque, const char*, int mode) {
  // The file is only read.
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  BufferedStream* stream = new (std::nothrow) BufferedStream;
  if (stream != nullptr) stream->file = static_cast<HANDLE>(opaque);
  return stream;
}

// Reads from the file at the logical position. Each read names its offset,
// so nothing depends on where the handle's own position stands: at the end
// of the file after it was written.
uLong ReadAt(BufferedStream* stream, void* buf, uLong size) {
  if (stream->position < 0) {
    stream->failed = true;
    return 0;
  }
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(stream->position);
  DWORD read = 0;
  if (!ReadFile(stream->file, buf, size, &read, &at)) {
    // A read from the end on reads nothing; it is no failure.
    if (GetLastError() != ERROR_HANDLE_EOF) stream->failed = true;
    return 0;
  }
  return read;
}

uLong ZCALLBACK BufferedRead(voidpf, voidpf stream_pointer, void* buf, uLong size) {
  BufferedStream* stream = static_cast<BufferedStream*>(stream_pointer);
  char* out = static_cast<char*>(buf);
  uLong done = 0;
  while (done < size) {
    long offset = stream->position - stream->buffer_start;
    if (offset >= 0 && static_cast<uLong>(offset) < stream->buffer_length) {
      uLong take = stream->buffer_length - static_cast<uLong>(offset);
      if (take > size - done) take = size - done;
      std::memcpy(out + done, stream->buffer + offset, take);
      done += take;
      stream->position += static_cast<long>(take);
    } else if (size - done >= kReadBufferSize) {
      // A large read goes straight into the caller's memory.
      uLong read = ReadAt(stream, out + done, size - done);
      done += read;
      stream->position += static_cast<long>(read);
      break;
    } else {
      stream->buffer_start = stream->position;
      stream->buffer_length = ReadAt(stream, stream->buffer, kReadBufferSize);
      if (stream->buffer_length == 0) break;
    }
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
