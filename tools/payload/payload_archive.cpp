#include "payload_archive.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

constexpr uLong kFolderAttributes = 0x10;  // FILE_ATTRIBUTE_DIRECTORY
constexpr uLong kFileAttributes = 0x20;    // FILE_ATTRIBUTE_ARCHIVE
constexpr uLong kMadeByWindows = 0 << 8 | 20;

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteEntry(zipFile zip, const PayloadEntry& entry) {
  bool folder = !entry.name.empty() && entry.name.back() == '/';
  std::string read;
  if (!entry.source.empty() && !ReadFile(entry.source, read)) {
    std::fprintf(stderr, "make-payload: cannot read %s\n", entry.source.c_str());
    return false;
  }
  const std::string& data = entry.source.empty() ? entry.data : read;
  zip_fileinfo info = {};
  info.dosDate = entry.dos_date_time;
  info.external_fa = folder ? kFolderAttributes : kFileAttributes;
  int method = folder ? 0 : Z_DEFLATED;
  int level = folder ? 0 : Z_DEFAULT_COMPRESSION;
  return zipOpenNewFileInZip4(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                              method, level, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                              nullptr, 0, kMadeByWindows, 0) == ZIP_OK &&
         zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())) == ZIP_OK &&
         zipCloseFileInZip(zip) == ZIP_OK;
}

}  // namespace

bool WritePayloadArchive(const char* path, const std::vector<PayloadEntry>& entries) {
  zipFile zip = zipOpen(path, APPEND_STATUS_CREATE);
  if (zip == nullptr) return false;
  bool ok = true;
  for (const PayloadEntry& entry : entries) {
    ok = WriteEntry(zip, entry);
    if (!ok) break;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
}
