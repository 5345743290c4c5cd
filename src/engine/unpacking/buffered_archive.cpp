#include "engine/unpacking/buffered_archive.h"

#include <cstring>
#include <new>

#include "iowin32.h"

namespace {

// minizip reads headers a few bytes and entry data 16 KB at a time; both
// are served from here, and the file is read in pieces this large.
constexpr uLong kReadBufferSize = 256 * 1024;

// One open archive file: the Win32 stream and where it stands, the
// logical position, and the window of the file the buffer holds.
struct BufferedStream {
  voidpf inner = nullptr;
  long inner_position = 0;
  long position = 0;
  long buffer_start = 0;
  uLong buffer_length = 0;
  char buffer[kReadBufferSize];
};

zlib_filefunc_def* Inner(voidpf opaque) { return static_cast<zlib_filefunc_def*>(opaque); }

voidpf ZCALLBACK BufferedOpen(voidpf opaque, const char* filename, int mode) {
  zlib_filefunc_def* inner = Inner(opaque);
  voidpf stream = inner->zopen_file(inner->opaque, filename, mode);
  if (stream == nullptr) return nullptr;
  BufferedStream* buffered = new (std::nothrow) BufferedStream;
  if (buffered == nullptr) {
    inner->zclose_file(inner->opaque, stream);
    return nullptr;
  }
  buffered->inner = stream;
  return buffered;
}

// Reads from the Win32 stream at the logical position, seeking first when
// the stream stands elsewhere.
uLong ReadInner(zlib_filefunc_def* inner, BufferedStream* stream, void* buf, uLong size) {
  if (stream->inner_position != stream->position) {
    if (inner->zseek_file(inner->opaque, stream->inner, stream->position,
                          ZLIB_FILEFUNC_SEEK_SET) != 0) {
      stream->inner_position = -1;
      return 0;
    }
    stream->inner_position = stream->position;
  }
  uLong read = inner->zread_file(inner->opaque, stream->inner, buf, size);
  stream->inner_position += static_cast<long>(read);
  return read;
}

uLong ZCALLBACK BufferedRead(voidpf opaque, voidpf stream_pointer, void* buf, uLong size) {
  zlib_filefunc_def* inner = Inner(opaque);
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
      uLong read = ReadInner(inner, stream, out + done, size - done);
      done += read;
      stream->position += static_cast<long>(read);
      break;
    } else {
      stream->buffer_start = stream->position;
      stream->buffer_length = ReadInner(inner, stream, stream->buffer, kReadBufferSize);
      if (stream->buffer_length == 0) break;
    }
  }
  return done;
}

long ZCALLBACK BufferedTell(voidpf, voidpf stream) {
  return static_cast<BufferedStream*>(stream)->position;
}

long ZCALLBACK BufferedSeek(voidpf opaque, voidpf stream_pointer, uLong offset, int origin) {
  zlib_filefunc_def* inner = Inner(opaque);
  BufferedStream* stream = static_cast<BufferedStream*>(stream_pointer);
  if (origin == ZLIB_FILEFUNC_SEEK_SET) {
    stream->position = static_cast<long>(offset);
  } else if (origin == ZLIB_FILEFUNC_SEEK_CUR) {
    stream->position += static_cast<long>(offset);
  } else {
    // The end is known only to the Win32 stream.
    stream->inner_position = -1;
    if (inner->zseek_file(inner->opaque, stream->inner, offset, origin) != 0) return -1;
    stream->inner_position = inner->ztell_file(inner->opaque, stream->inner);
    stream->position = stream->inner_position;
    if (stream->position < 0) return -1;
  }
  return 0;
}

int ZCALLBACK BufferedClose(voidpf opaque, voidpf stream_pointer) {
  zlib_filefunc_def* inner = Inner(opaque);
  BufferedStream* stream = static_cast<BufferedStream*>(stream_pointer);
  int result = inner->zclose_file(inner->opaque, stream->inner);
  delete stream;
  return result;
}

int ZCALLBACK BufferedError(voidpf opaque, voidpf stream) {
  zlib_filefunc_def* inner = Inner(opaque);
  return inner->zerror_file(inner->opaque, static_cast<BufferedStream*>(stream)->inner);
}

}  // namespace

void FillBufferedWin32FileFunctions(zlib_filefunc_def* functions, zlib_filefunc_def* inner) {
  fill_win32_filefunc(inner);
  functions->zopen_file = BufferedOpen;
  functions->zread_file = BufferedRead;
  functions->zwrite_file = nullptr;  // the archive is only read
  functions->ztell_file = BufferedTell;
  functions->zseek_file = BufferedSeek;
  functions->zclose_file = BufferedClose;
  functions->zerror_file = BufferedError;
  functions->opaque = inner;
}
