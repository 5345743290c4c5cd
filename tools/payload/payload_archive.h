// The viewer archive as the setup expects it, written by the host packer:
// folders before their contents, "/" between folders, folders stored and
// files deflated, entries in the order given.
#pragma once

#include <string>
#include <vector>

struct PayloadEntry {
  std::string name;            // ends in "/" for a folder
  std::string data;            // the file's bytes, unless source names a file
  std::string source;          // a file to read the bytes from when the entry is written
  unsigned long dos_date_time; // DOS format
};

// Writes the entries to a new archive at path; false when anything fails.
bool WritePayloadArchive(const char* path, const std::vector<PayloadEntry>& entries);
