#include "own_payload.h"

#include <minizip/unzip.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "rules/payload_rules.h"

namespace fs = std::filesystem;

namespace {

// Local time as DOS date and time; DOS time cannot hold a date before 1980
// or after 2107, so such a date is clamped.
unsigned long DosDateTime(std::time_t when) {
  std::tm local = {};
  localtime_r(&when, &local);
  int year = local.tm_year + 1900;
  if (year < 1980) return (1ul << 21) | (1ul << 16);  // 1980-01-01 00:00:00
  if (year > 2107) {
    return (127ul << 25) | (12ul << 21) | (31ul << 16) | (23ul << 11) | (59ul << 5) | 29;
  }
  auto field = [](int value, int shift) { return static_cast<unsigned long>(value) << shift; };
  return field(year - 1980, 25) | field(local.tm_mon + 1, 21) | field(local.tm_mday, 16) |
         field(local.tm_hour, 11) | field(local.tm_min, 5) | field(local.tm_sec / 2, 0);
}

// Windows keeps none of these characters in a name and drops trailing dots
// and blanks; the setup writes names in the ANSI code page, which a UTF-8
// name would not survive.
bool IsStorableName(const std::string& name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c >= 0x7F) return false;
    if (std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos) {
      return false;
    }
  }
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
    if (!IsStorableName(item.path().filename().string())) {
      problems.push_back("name Windows would not keep as given (ASCII only): " + name);
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

void CollectFolder(const fs::path& folder, const std::string& prefix,
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
    entries.push_back({name, "", file.path().string(), DosDateTime(info.st_mtime)});
  }
  for (const fs::directory_entry& sub : folders) {
    const std::string name = prefix + sub.path().filename().string() + "/";
    struct stat info = {};
    stat(sub.path().c_str(), &info);
    entries.push_back({name, "", "", DosDateTime(info.st_mtime)});
    CollectFolder(sub.path(), name, entries, problems);
  }
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
  CollectFolder(fs::path(folder), "", entries, problems);
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
    if (info.flag & 1) {
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

void CheckPayloadNames(const std::vector<std::string>& names, std::vector<std::string>& problems) {
  for (const std::string& missing : MissingPayloadEntries(names)) {
    problems.push_back("missing: " + missing);
  }
  for (const std::string& name : names) {
    if (!IsSafeEntryName(name)) problems.push_back("would leave the target folder: " + name);
  }
}
