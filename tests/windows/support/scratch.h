// Scratch folders, files and registry roots for the Windows tests.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "common/scoped_win.h"

// A folder below C:\pellumara-tests, removed with everything in it.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }  // no trailing backslash
  std::string operator/(const std::string& child) const { return path_ + "\\" + child; }

 private:
  std::string path_;
};

// Redirects HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT of
// this process to fresh keys below HKCU\Software\PellumaraTests, and removes
// them again.
class RegistryOverride {
 public:
  explicit RegistryOverride(const std::string& name);
  ~RegistryOverride();
  RegistryOverride(const RegistryOverride&) = delete;
  RegistryOverride& operator=(const RegistryOverride&) = delete;

 private:
  std::string root_;
  ScopedKey machine_;
  ScopedKey user_;
  ScopedKey classes_;
};

// Removes path (in UTF-8, which an ASCII path is too) and all below it.
void RemoveTree(const std::string& path);
// UTF-8 text in UTF-16, for names that no code page holds.
std::wstring WideOfUtf8(const std::string& utf8);
// Whether a file or folder stands at path (UTF-8).
bool ExistsUtf8(const std::string& path);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
// A value of a profile (.ini) file, or "<missing>".
std::string Profile(const std::string& file, const char* section, const char* key);
// Opens the file for reading as another program that holds it does: the
// file can be neither deleted, renamed nor written meanwhile. Empty when it
// cannot be opened.
ScopedHandle HoldFile(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string CurrentDirectory();

struct TreeCounts {
  int folders = 0;
  int files = 0;
};
// Files and folders below folder, counted at every depth.
TreeCounts CountTree(const std::string& folder);
// The names of the files (not folders) directly in folder.
std::set<std::string> FilesIn(const std::string& folder);
// Makes link a symbolic link to target from the host side (Wine 8's
// CreateSymbolicLinkA reports success and creates nothing). False when no
// link came about: the test should skip.
[[nodiscard]] bool MakeHostLink(const std::string& link, const std::string& target);
// Starts a host shell that waits until one of watched is gone, then renames
// folder to folder + ".away" and puts a symbolic link to target at its
// name: a swap made while the program under test is busy. False when it
// cannot be started.
bool SwapForHostLinkWhenGone(const std::vector<std::string>& watched, const std::string& folder,
                             const std::string& target);
// A file below folder whose path is longer than 260 characters, made and
// read through "\\?\" paths; removed with its folders. What a link to it
// leads to is more than a 260-character final path can hold.
class LongPathFile {
 public:
  LongPathFile(const std::string& folder, const std::string& bytes);
  ~LongPathFile();
  LongPathFile(const LongPathFile&) = delete;
  LongPathFile& operator=(const LongPathFile&) = delete;

  const std::string& path() const { return path_; }
  std::string Bytes() const;  // what it holds now

 private:
  std::vector<std::wstring> levels_;  // outermost first, with the "\\?\" prefix
  std::wstring file_;
  std::string path_;
};

// Removes a link made from the host side; false when it stays.
[[nodiscard]] bool RemoveHostLink(const std::string& link);
// Sets or clears the host's immutable mark on a file (chattr): then even
// the administrator Wine runs as cannot rename it, and a move answers
// ERROR_ACCESS_DENIED, as Windows does for a file it refuses to let go.
// False when the host's file system cannot: the test should skip.
bool SetHostImmutable(const std::string& path, bool immutable);
// True when path is marked as a link or junction.
bool IsReparsePoint(const std::string& path);

// A special folder's path by its CSIDL, empty when it has none.
std::string SpecialFolder(int csidl);

// Sets (or deletes, for an empty data) a registry string value.
void SetRegistryString(HKEY hive, const std::string& key, const char* name, const std::string& data);
// The names below root (relative to it, folders with a trailing "\") are
// appended to out, in the order the file system gives them.
void ListTree(const std::string& root, const std::string& relative, std::vector<std::string>& out);
// Every name below root, sorted, one a line, with the size and a hash of
// every file's bytes: what "the folder as it was" means.
std::string Snapshot(const std::string& root);

// The machine's restart list (PendingFileRenameOperations): source and
// target of each rename in turn, each followed by "|" (an empty target for a
// deletion).
std::string PendingFileRenames();

// The string value, or "<missing>".
std::string ReadRegistryString(HKEY hive, const std::string& key, const char* name);
