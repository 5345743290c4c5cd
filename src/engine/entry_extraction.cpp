// Walking the archive with minizip and writing each entry below the target
// folder.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "common/install_options.h"
#include "engine/payload_extraction.h"
#include "engine/planted_links.h"
#include "iowin32.h"
#include "rules/payload_rules.h"
#include "rules/text_rules.h"

namespace {

constexpr unsigned kEntryNameSize = 520;
constexpr int kWriteError = -1;

// The folder part of an entry name (everything before the name part).
bool FolderPart(const char* name, const char* name_part, char* folder, std::size_t size) {
  std::size_t length = static_cast<std::size_t>(name_part - name);
  if (length == 0 || length >= size) return false;
  std::memcpy(folder, name, length);
  folder[length] = '\0';
  return true;
}

HANDLE CreateOutputFile(const char* name) {
  // Windows refuses to replace a read-only file; Wine running as root
  // replaces it, so the mark is honoured here explicitly.
  DWORD attributes = GetFileAttributesA(name);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

// Copies the opened entry's data into file through buffer. 0, or the
// first read error, or kWriteError for a write that did not complete or
// data that ended before the entry's declared size (minizip reports such an
// early end as the end of the data, and checks the CRC only of an entry
// read to its declared size).
int CopyEntryData(unzFile archive, HANDLE file, char* buffer, unsigned long declared_size) {
  unsigned long long copied = 0;
  for (;;) {
    int read = unzReadCurrentFile(archive, buffer, kEntryBufferSize);
    if (read == 0) return copied == declared_size ? 0 : kWriteError;
    if (read < 0) return read;
    DWORD written = 0;
    if (!WriteFile(file, buffer, static_cast<DWORD>(read), &written, nullptr) ||
        written != static_cast<DWORD>(read)) {
      return kWriteError;
    }
    copied += written;
  }
}

// Unpacks one file entry whose data is open. A file that cannot be created
// where one already stands (the read-only or locked file of an update) is
// skipped; where nothing stood, the entry fails, and so does a link at the
// name or at one of its folders that cannot be replaced.
int WriteFileEntry(unzFile archive, const char* name, const char* name_part,
                   const unz_file_info& info, char* buffer) {
  if (!MakeFolderLevelsReal(name) || !ReplaceFileLink(name)) return kWriteError;
  DWORD attributes = GetFileAttributesA(name);
  bool existed = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  HANDLE file = CreateOutputFile(name);
  char folder[kEntryNameSize];
  if (file == INVALID_HANDLE_VALUE && !existed && FolderPart(name, name_part, folder, sizeof folder)) {
    CreateEntryFolders(folder);
    file = CreateOutputFile(name);
  }
  if (file == INVALID_HANDLE_VALUE) return existed ? 0 : kWriteError;
  int error = CopyEntryData(archive, file, buffer, info.uncompressed_size);
  if (!CloseHandle(file) && error == 0) error = kWriteError;
  if (error == 0) SetEntryFileTime(name, info.dosDate);
  return error;
}

// Unpacks the current entry; 0 or the error that stops the walk.
int ExtractCurrentEntry(unzFile archive) {
  unz_file_info info;
  char name[kEntryNameSize];
  if (unzGetCurrentFileInfo(archive, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
    return UNZ_ERRNO;
  }
  // minizip cuts a longer name without terminating it; such a name could
  // not be created anyway.
  if (info.size_filename >= sizeof name) return UNZ_BADZIPFILE;
  // Nothing of an entry is written unless its name stays inside the folder.
  if (!IsSafeEntryName(name)) return UNZ_BADZIPFILE;
  char* buffer = static_cast<char*>(std::malloc(kEntryBufferSize));
  if (buffer == nullptr) return UNZ_INTERNALERROR;

  int error = 0;
  const char* name_part = name + (std::strlen(name) - EntryNamePart(name).size());
  if (*name_part == '\0') {
    if (MakeFolderLevelsReal(name)) {
      CreateDirectoryA(name, nullptr);
    } else {
      error = kWriteError;
    }
  } else {
    error = unzOpenCurrentFilePassword(archive, nullptr);
    if (error == UNZ_OK) error = WriteFileEntry(archive, name, name_part, info, buffer);
    // Closing checks the CRC of a fully read entry.
    int closed = unzCloseCurrentFile(archive);
    if (error == 0) error = closed;
  }
  std::free(buffer);
  return error;
}

}  // namespace

int ExtractAllEntries(unzFile archive) {
  unz_global_info global;
  if (unzGetGlobalInfo(archive, &global) != UNZ_OK) return -1;
  for (uLong i = 0; i < global.number_entry; ++i) {
    if (i > 0 && unzGoToNextFile(archive) != UNZ_OK) return -1;
    if (ExtractCurrentEntry(archive) != 0) return -1;
  }
  return 0;
}

int UnzipToFolder(const char* archive_path, const char* folder) {
  char path[kPathSize];
  if (!CopyBounded(path, sizeof path, archive_path)) return -1;
  zlib_filefunc_def functions;
  fill_win32_filefunc(&functions);
  unzFile archive = unzOpen2(path, &functions);
  if (archive == nullptr && AppendBounded(path, sizeof path, ".zip")) {
    archive = unzOpen2(path, &functions);
  }
  if (archive == nullptr) return -1;
  if (!SetCurrentDirectoryA(folder)) {
    unzClose(archive);
    return -1;
  }
  int result = ExtractAllEntries(archive);
  unzClose(archive);
  return result;
}

int CreateEntryFolders(const char* path) {
  if (path == nullptr || path[0] == '\0') return 0;
  std::size_t length = std::strlen(path);
  char* copy = new (std::nothrow) char[length + 1];
  if (copy == nullptr) return -104;
  std::memcpy(copy, path, length + 1);
  if (copy[length - 1] == '/') copy[--length] = '\0';

  int result = 1;
  if (length > 0 && !CreateDirectoryA(copy, nullptr)) {
    for (std::size_t i = 1; i <= length; ++i) {
      if (i < length && copy[i] != '\\' && copy[i] != '/') continue;
      char kept = copy[i];
      copy[i] = '\0';
      if (!CreateDirectoryA(copy, nullptr) && GetLastError() == ERROR_PATH_NOT_FOUND) result = 0;
      copy[i] = kept;
      if (result == 0) break;
    }
  }
  delete[] copy;
  return result;
}

void SetEntryFileTime(const char* file, unsigned long dos_date_time) {
  HANDLE handle = CreateFileA(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  FILETIME creation, last_access, last_write;
  FILETIME local, universal;
  if (GetFileTime(handle, &creation, &last_access, &last_write) &&
      DosDateTimeToFileTime(HIWORD(dos_date_time), LOWORD(dos_date_time), &local) &&
      LocalFileTimeToFileTime(&local, &universal)) {
    SetFileTime(handle, &universal, &last_access, &universal);
  }
  CloseHandle(handle);
}
