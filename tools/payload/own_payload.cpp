#include "own_payload.h"

#include <minizip/unzip.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>

#include "payload_names.h"

namespace fs = std::filesystem;

namespace {

// UTC as DOS date and time, so that the archive does not depend on the
// time zone of the build machine; DOS time cannot hold a date before 1980
// or after 2107, so such a date is clamped.
unsigned long DosDateTime(std::time_t when) {
  std::tm utc = {};
  gmtime_r(&when, &utc);
  int year = utc.tm_year + 1900;
  if (year < 1980) return (1ul << 21) | (1ul << 16);  // 1980-01-01 00:00:00
  if (year > 2107) {
    return (127ul << 25) | (12ul << 21) | (31ul << 16) | (23ul << 11) | (59ul << 5) | 29;
  }
  auto field = [](int value, int shift) { return static_cast<unsigned long>(value) << shift; };
  return field(year - 1980, 25) | field(utc.tm_mon + 1, 21) | field(utc.tm_mday, 16) |
         field(utc.tm_hour, 11) | field(utc.tm_min, 5) | field(utc.tm_sec / 2, 0);
}

// The latest time an entry may carry: SOURCE_DATE_EPOCH (seconds since
// 1970, UTC) when it is set, so that files touched after the release's
// moment do not change the archive; otherwise no limit.
bool LatestEntryTime(std::time_t& latest, std::vector<std::string>& problems) {
  latest = std::numeric_limits<std::time_t>::max();
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch == nullptr || *epoch == '\0') return true;
  char* end = nullptr;
  errno = 0;
  long long seconds = std::strtoll(epoch, &end, 10);
  if (errno != 0 || *end != '\0' || seconds < 0) {
    problems.push_back(std::string("SOURCE_DATE_EPOCH is not a number of seconds: ") + epoch);
    return false;
  }
  latest = static_cast<std::time_t>(seconds);
  return true;
}

using Items = std::vector<fs::directory_entry>;

// Sorts a folder's items into files and subfolders, each by name in byte
// order; whatever cannot be packed as given is a problem.
void ReadFolder(const fs::path& folder, const std::string& prefix, Items& files, Items& folders,
                std::vector<std::string>& problems) {
  std::error_code error;
  for (const fs::directory_entry& item : fs::directory_iterator(folder, error)) {
    const std::string name = prefix + item.path().filename().string();
    fs::file_status status = item.symlink_status();
    const std::string name_problem = NameComponentProblem(item.path().filename().string());
    if (!name_problem.empty()) {
      problems.push_back(name_problem + ": " + name);
    } else if (fs::is_symlink(status)) {
      problems.push_back("symbolic link: " + name);
    } else if (fs::is_directory(status)) {
      folders.push_back(item);
    } else if (fs::is_regular_file(status)) {
      files.push_back(item);
    } else {
      problems.push_back("neither a file nor a folder: " + name);
    }
  }
  if (error) {
    problems.push_back("cannot read the folder " + folder.string() + ": " + error.message());
  }
  auto by_name = [](const fs::directory_entry& a, const fs::directory_entry& b) {
    return a.path().filename().string() < b.path().filename().string();
  };
  std::sort(files.begin(), files.end(), by_name);
  std::sort(folders.begin(), folders.end(), by_name);
}

void CollectFolder(const fs::path& folder, const std::string& prefix, std::time_t latest,
                   std::vector<PayloadEntry>& entries, std::vector<std::string>& problems) {
  Items files, folders;
  ReadFolder(folder, prefix, files, folders, problems);
  for (const fs::directory_entry& file : files) {
    const std::string name = prefix + file.path().filename().string();
    struct stat info = {};
    // The archive is written without its 64-bit extension.
    if (stat(file.path().c_str(), &info) != 0 || info.st_size >= 0xFFFFFFFFll) {
      problems.push_back("unreadable, or 4 GB or larger: " + name);
      continue;
    }
    entries.push_back({name, "", file.path().string(), DosDateTime(std::min(info.st_mtime, latest))});
  }
  for (const fs::directory_entry& sub : folders) {
    const std::string name = prefix + sub.path().filename().string() + "/";
    struct stat info = {};
    stat(sub.path().c_str(), &info);
    entries.push_back({name, "", "", DosDateTime(std::min(info.st_mtime, latest))});
    CollectFolder(sub.path(), name, latest, entries, problems);
  }
}

// Archives made on Unix keep the entry's file mode in the upper half of the
// external attributes; the setup would write a link's target path as a
// file's contents, so links and special files are refused as in a folder.
const char* UnixKindProblem(const unz_file_info64& info) {
  constexpr unsigned long kTypeMask = 0170000, kLink = 0120000, kFile = 0100000, kFolder = 0040000;
  const unsigned long type = (info.external_fa >> 16) & kTypeMask;
  if (type == 0 || type == kFile || type == kFolder) return nullptr;
  return type == kLink ? "symbolic link: " : "neither a file nor a folder: ";
}

// The setup stops unpacking at an entry it cannot read, so every entry is
// read through once here, its CRC included.
bool ReadsWhole(unzFile zip) {
  if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
  char buffer[8192];
  int read = 0;
  while ((read = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) {
  }
  return unzCloseCurrentFile(zip) == UNZ_OK && read == 0;
}

}  // namespace

std::vector<PayloadEntry> FolderEntries(const std::string& folder,
                                        std::vector<std::string>& problems) {
  std::vector<PayloadEntry> entries;
  std::time_t latest = 0;
  if (LatestEntryTime(latest, problems)) CollectFolder(fs::path(folder), "", latest, entries, problems);
  return entries;
}

std::vector<std::string> ArchiveEntryNames(const std::string& archive,
                                           std::vector<std::string>& problems) {
  std::vector<std::string> names;
  unzFile zip = unzOpen64(archive.c_str());
  if (zip == nullptr) {
    problems.push_back("not a ZIP archive: " + archive);
    return names;
  }
  for (int step = unzGoToFirstFile(zip); step == UNZ_OK; step = unzGoToNextFile(zip)) {
    unz_file_info64 info = {};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    std::string name(info.size_filename, '\0');
    unzGetCurrentFileInfo64(zip, &info, &name[0], info.size_filename, nullptr, 0, nullptr, 0);
    const char* kind_problem = UnixKindProblem(info);
    if (kind_problem != nullptr) {
      problems.push_back(kind_problem + name);
    } else if (info.flag & 1) {
      problems.push_back("encrypted: " + name);
    } else if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) {
      problems.push_back("neither stored nor deflated: " + name);
    } else if (!ReadsWhole(zip)) {
      problems.push_back("damaged (read error or wrong CRC): " + name);
    }
    names.push_back(name);
  }
  unzClose(zip);
  return names;
}
