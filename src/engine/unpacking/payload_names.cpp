#include "engine/unpacking/payload_names.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "engine/unpacking/buffered_archive.h"
#include "unzip.h"

namespace {

constexpr unsigned kEntryNameSize = 520;

// The mapped resource, read by minizip as a file that is only read.
struct MappedArchive {
  const char* data = nullptr;
  uLong size = 0;
};

struct MappedStream {
  const MappedArchive* archive = nullptr;
  uLong position = 0;
};

voidpf ZCALLBACK MappedOpen(voidpf opaque, const char*, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  MappedStream* stream = new (std::nothrow) MappedStream;
  if (stream != nullptr) stream->archive = static_cast<const MappedArchive*>(opaque);
  return stream;
}

uLong ZCALLBACK MappedRead(voidpf, voidpf stream_pointer, void* buf, uLong size) {
  MappedStream* stream = static_cast<MappedStream*>(stream_pointer);
  const uLong left =
      stream->position < stream->archive->size ? stream->archive->size - stream->position : 0;
  const uLong take = size < left ? size : left;
  std::memcpy(buf, stream->archive->data + stream->position, take);
  stream->position += take;
  return take;
}

long ZCALLBACK MappedTell(voidpf, voidpf stream) {
  return static_cast<long>(static_cast<MappedStream*>(stream)->position);
}

long ZCALLBACK MappedSeek(voidpf, voidpf stream_pointer, uLong offset, int origin) {
  MappedStream* stream = static_cast<MappedStream*>(stream_pointer);
  uLong base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = stream->position;
  if (origin == ZLIB_FILEFUNC_SEEK_END) base = stream->archive->size;
  if (offset > stream->archive->size || base > stream->archive->size - offset) return -1;
  stream->position = base + offset;
  return 0;
}

int ZCALLBACK MappedClose(voidpf, voidpf stream) {
  delete static_cast<MappedStream*>(stream);
  return 0;
}

int ZCALLBACK MappedError(voidpf, voidpf) { return 0; }

}  // namespace

bool ReadPayloadEntryNames(int resource_id, const char* resource_type,
                           std::vector<std::string>* names) {
  names->clear();
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(resource_id), resource_type);
  HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return false;
  MappedArchive archive{static_cast<const char*>(data), SizeofResource(nullptr, found)};
  zlib_filefunc_def functions = {MappedOpen, MappedRead, nullptr,    MappedTell,
                                 MappedSeek, MappedClose, MappedError, &archive};
  OpenedArchive opened(unzOpen2("", &functions));
  if (!opened) return false;
  int status = unzGoToFirstFile(opened.Get());
  while (status == UNZ_OK) {
    unz_file_info info;
    char name[kEntryNameSize];
    if (unzGetCurrentFileInfo(opened.Get(), &info, name, kEntryNameSize, nullptr, 0, nullptr, 0) !=
            UNZ_OK ||
        info.size_filename >= kEntryNameSize) {
      break;
    }
    names->push_back(name);
    status = unzGoToNextFile(opened.Get());
  }
  if (status != UNZ_END_OF_LIST_OF_FILE) names->clear();
  return status == UNZ_END_OF_LIST_OF_FILE;
}
