// A small ZIP writer for crafted test archives: stored and deflated entries
// with any name, and the faults the extraction must notice.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZipEntry {
  std::string name;  // ends in "/" for a folder entry
  std::string data;
  bool deflate = true;
  std::uint32_t dos_date_time = 0x58F05D2D;  // 2024-07-16 11:41:26
  bool wrong_crc = false;   // central and local CRC do not match the data
  bool broken_data = false; // the deflated stream is not valid
  std::uint32_t missing_bytes = 0;  // the declared size exceeds the data by this
};

// DOS date in the high 16 bits, time in the low 16 bits.
std::uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second);

// The whole archive: local headers with data, central directory, end record.
std::string MakeZip(const std::vector<ZipEntry>& entries);

ZipEntry FolderEntry(const std::string& name);
ZipEntry FileEntry(const std::string& name, const std::string& data);
