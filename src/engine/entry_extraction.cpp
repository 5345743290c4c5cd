// Walking the archive with minizip and writing each entry below the target
// folder.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "common/install_options.h"
#include "common/scoped_win.h"
#include "engine/payload_extraction.h"
#include "engine/planted_links.h"
#include "iowin32.h"
#include "rules/payload_rules.h"
#include "rules/text_rules.h"

namespace {

constexpr unsigned kEntryNameSize = 520;
constexpr int kWriteError = -1;
constexpr int kFreshNameAttempts = 16;

// The folder part of an entry name (everything before the name part).
bool FolderPart(const char* name, const char* name_part, char* folder, std::size_t size) {
  std::size_t length = static_cast<std::size_t>(name_part - name);
  if (length == 0 || length >= size) return false;
  std::memcpy(folder, name, length);
  folder[length] = '\0';
  return true;
}

// Creates a file of the setup's own next to name, under a name nobody can
// foresee, and writes its path to fresh (kEntryNameSize bytes; empty when
// no file was made). CREATE_NEW never opens what already stands at a name,
// a link included: on a clash another name is taken. Missing folders of
// the entry are created once.
HANDLE CreateFreshFile(const char* name, const char* name_part, char* fresh) {
  char folder[kEntryNameSize] = "";
  bool folders_missing = FolderPart(name, name_part, folder, sizeof folder);
  for (int attempt = 0; attempt < kFreshNameAttempts; ++attempt) {
    // Short, so that a fresh name fits almost wherever the entry's own
    // name fits within a path's 259 characters.
    int length = std::snprintf(fresh, kEntryNameSize, "%s~%08x.pm", folder, RandomNumber());
    if (length < 0 || static_cast<unsigned>(length) >= kEntryNameSize) break;
    HANDLE file = CreateFileA(fresh, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND && folders_missing) {
      folders_missing = false;
      CreateEntryFolders(folder);
    } else if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      break;
    }
  }
  fresh[0] = '\0';
  return INVALID_HANDLE_VALUE;
}

bool FileStandsAt(const char* name) {
  DWORD attributes = GetFileAttributesA(name);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Windows refuses to replace a read-only file; Wine running as root
// replaces it, so the mark is honoured here explicitly.
bool ReadOnlyFileStandsAt(const char* name) {
  DWORD attributes = GetFileAttributesA(name);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Gives file the entry's DOS date (high 16 bits) and time (low 16 bits),
// taken as local time, as creation and last-write time; the last-access
// time stays the file system's own.
void SetEntryFileTime(HANDLE file, unsigned long dos_date_time) {
  FILETIME local, universal;
  if (DosDateTimeToFileTime(HIWORD(dos_date_time), LOWORD(dos_date_time), &local) &&
      LocalFileTimeToFileTime(&local, &universal)) {
    SetFileTime(file, &universal, nullptr, &universal);
  }
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

// Writes the open entry's data into a fresh file next to name, its path
// in fresh (empty when no file was made), with the entry's file times; the
// handle is kept, so the times never go to anything else. 0, or the error
// that fails the entry; where a fresh file cannot be made, an entry whose
// name holds a file already is skipped (the update of a file that cannot be
// replaced).
int WriteFreshFile(unzFile archive, const char* name, const char* name_part,
                   const unz_file_info& info, char* buffer, char* fresh) {
  fresh[0] = '\0';
  if (!MakeFolderLevelsReal(name)) return kWriteError;
  ScopedHandle file(CreateFreshFile(name, name_part, fresh));
  if (!file) return FileStandsAt(name) ? 0 : kWriteError;
  int error = CopyEntryData(archive, file.Get(), buffer, info.uncompressed_size);
  if (error == 0) SetEntryFileTime(file.Get(), info.dosDate);
  if (!file.Close() && error == 0) error = kWriteError;
  return error;
}

// Renames the fresh file over name once the entry is complete (error 0). A
// rename replaces the name itself, a symbolic or hard link included, and
// never writes through it. A read-only or locked file at name is kept and
// the entry skipped; where no file stood, a rename that fails fails the
// entry. The fresh file is removed whenever it does not take the name.
int PutInPlace(const char* fresh, const char* name, int error) {
  if (error == 0 && !ReadOnlyFileStandsAt(name) &&
      MoveFileExA(fresh, name, MOVEFILE_REPLACE_EXISTING)) {
    return 0;
  }
  DeleteFileA(fresh);
  if (error != 0) return error;
  return FileStandsAt(name) ? 0 : kWriteError;
}

// Unpacks one file entry: nothing is written at its name until its data
// is complete and its CRC checked (on closing the entry's data).
int ExtractFileEntry(unzFile archive, const char* name, const char* name_part,
                     const unz_file_info& info, char* buffer) {
  char fresh[kEntryNameSize] = "";
  int error = unzOpenCurrentFilePassword(archive, nullptr);
  if (error == UNZ_OK) error = WriteFreshFile(archive, name, name_part, info, buffer, fresh);
  int closed = unzCloseCurrentFile(archive);
  if (error == 0) error = closed;
  return fresh[0] == '\0' ? error : PutInPlace(fresh, name, error);
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
    error = ExtractFileEntry(archive, name, name_part, info, buffer);
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
