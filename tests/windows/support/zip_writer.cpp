#include "support/zip_writer.h"

#include <zlib.h>

namespace {

void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

std::string RawDeflate(const std::string& data) {
  z_stream stream = {};
  deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + 16, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

}  // namespace

std::uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
  std::uint32_t date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  std::uint32_t time = static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return date << 16 | time;
}

ZipEntry FolderEntry(const std::string& name) {
  ZipEntry entry;
  entry.name = name;
  entry.deflate = false;
  return entry;
}

ZipEntry FileEntry(const std::string& name, const std::string& data) {
  ZipEntry entry;
  entry.name = name;
  entry.data = data;
  return entry;
}

std::string MakeZip(const std::vector<ZipEntry>& entries) {
  std::string archive;
  std::string central;
  for (const ZipEntry& entry : entries) {
    std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()), static_cast<uInt>(entry.data.size())));
    if (entry.wrong_crc) crc ^= 0x5A5A5A5A;
    std::string stored = entry.deflate ? RawDeflate(entry.data) : entry.data;
    // Block type 3 does not exist: inflate stops with a data error.
    if (entry.broken_data) stored = std::string(stored.size() < 8 ? 8 : stored.size(), '\xFF');
    std::uint32_t method = entry.deflate ? 8 : 0;
    std::uint32_t offset = static_cast<std::uint32_t>(archive.size());

    std::string common;
    Put16(common, 20);  // version needed
    Put16(common, 0);   // flags
    Put16(common, method);
    Put32(common, entry.dos_date_time);
    Put32(common, crc);
    Put32(common, static_cast<std::uint32_t>(stored.size()));
    Put32(common, static_cast<std::uint32_t>(entry.data.size()) + entry.missing_bytes);
    Put16(common, static_cast<std::uint32_t>(entry.name.size()));
    Put16(common, 0);  // extra field length

    Put32(archive, 0x04034B50);
    archive += common + entry.name + stored;

    Put32(central, 0x02014B50);
    Put16(central, 20);  // made by
    central += common;
    Put16(central, 0);  // comment length
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, entry.name.empty() || entry.name.back() != '/' ? 0x20 : 0x10);
    Put32(central, offset);
    central += entry.name;
  }
  std::uint32_t central_offset = static_cast<std::uint32_t>(archive.size());
  archive += central;
  Put32(archive, 0x06054B50);
  Put16(archive, 0);
  Put16(archive, 0);
  Put16(archive, static_cast<std::uint32_t>(entries.size()));
  Put16(archive, static_cast<std::uint32_t>(entries.size()));
  Put32(archive, static_cast<std::uint32_t>(central.size()));
  Put32(archive, central_offset);
  Put16(archive, 0);
  return archive;
}
