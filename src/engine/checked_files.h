// Files the setup writes outside the target folder, in folders that others
// may be able to write to (the start folder, the folder of /log=, the
// settings folder): each is written through a handle that was opened
// without following a link at its name and checked for what it is, or
// created under a fresh name and moved into place through its own handle.
// Nothing is checked by its name and then opened by that name again.
#pragma once

#include <string>
#include <vector>

#include "common/scoped_win.h"

// The final path of what handle stands for ("\\?\C:\..."), however long;
// empty when Windows cannot give it.
std::wstring FinalPathOf(HANDLE handle);

// What an open file is, asked through its handle: the one real file at name
// in the folder whose final path is folder_final, something else (what says
// what: "a link", "a hard link", ...), or something the setup cannot make
// out (what says why), which must count against the file.
enum class FileCheck { kReal, kOther, kUnknown };
FileCheck CheckRealFileAt(HANDLE file, const std::wstring& folder_final, const std::string& name,
                          std::string* what);

// A folder held open while files are written into it: while it lives,
// neither the folder nor a level above it can be renamed or deleted, and
// every file it hands out was checked to lie in it.
class CheckedFolder {
 public:
  // Holds folder (absolute; links on the way are followed, as whoever named
  // the folder laid them). False, with the error, when it cannot be held or
  // its final path cannot be had.
  bool Hold(const std::string& folder);
  // The folder as held, ending in a backslash.
  const std::string& path() const { return path_; }

  // The real file at name, opened for access and share without following a
  // link at the name. Empty when nothing stands there (ERROR_FILE_NOT_FOUND),
  // when it cannot be opened (its error), or when it is no real file of one
  // name in this folder (ERROR_CANT_ACCESS_FILE, and why says what it is).
  ScopedHandle OpenExisting(const std::string& name, DWORD access, DWORD share, std::string* why);
  // A new file under a name nobody can foresee, opened for access and share
  // (with DELETE for MoveIntoPlace); empty, with the error, when none can be
  // made here.
  ScopedHandle CreateFresh(DWORD access, DWORD share);
  // Gives fresh (from CreateFresh) name in this folder, through its own
  // handle and relative to the held folder. With replace, whatever stands at
  // name goes: a link itself, never what it leads to. False, with the error.
  bool MoveIntoPlace(const ScopedHandle& fresh, const std::string& name, bool replace);
  // MoveIntoPlace, then the file at name opened anew for access and share,
  // checked to be this very file. The fresh handle's DELETE access would
  // keep everyone who does not share delete from reading the file while it
  // is being written. Empty, with the error, when the fresh file was not
  // moved (it is gone then) or is no longer what stands at name.
  ScopedHandle PlaceFresh(ScopedHandle fresh, const std::string& name, bool replace, DWORD access,
                          DWORD share);

 private:
  std::vector<ScopedHandle> held_;
  std::string path_;
  std::wstring final_path_;
};

// The folder part of path (up to and with its last backslash) and its name.
bool SplitFilePath(const std::string& path, std::string* folder, std::string* name);

// Creates the file at path (absolute) anew: a fresh file moved over its
// name, so that whatever stood there, a link or a hard link included, is
// replaced and never written through. The handle, open for writing and
// readable by others, or empty with the error.
ScopedHandle CreateFileInPlace(const std::string& path, DWORD* error);

// Replaces the file at name in folder by a fresh one holding bytes, moved
// over the name. False, with the error; nothing then stays behind.
bool ReplaceFileWith(CheckedFolder& folder, const std::string& name, const std::string& bytes);
