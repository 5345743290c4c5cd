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

// A folder held open while files are written into it: while it lives,
// neither the folder nor a level above it can be renamed or deleted, and
// every file it hands out was checked to lie in it.
class CheckedFolder {
 public:
  // Holds folder (absolute; links on the way are followed, as whoever named
  // the folder laid them). False, with the Windows error in error, when it
  // cannot be held or its final path cannot be had.
  bool Hold(const std::string& folder, DWORD* error);
  // The folder as held, ending in a backslash.
  const std::string& path() const { return path_; }

  // The real file at name, opened for access and share without following a
  // link at the name. Empty when nothing stands there (ERROR_FILE_NOT_FOUND),
  // when it cannot be opened (its error), or when it is no real file of one
  // name in this folder (ERROR_CANT_ACCESS_FILE, and why says what it is).
  // The error goes to error.
  ScopedHandle OpenExisting(const std::string& name, DWORD access, DWORD share, std::string* why,
                            DWORD* error);
  // A new file under a name nobody can foresee, opened for access and share
  // (with DELETE for MoveIntoPlace); empty, with the error, when none can be
  // made here.
  ScopedHandle CreateFresh(DWORD access, DWORD share, DWORD* error);
  // Gives fresh (from CreateFresh) name in this folder, through its own
  // handle and relative to the held folder. With replace, whatever stands at
  // name goes: a link itself, never what it leads to. False, with the
  // Windows error in error.
  bool MoveIntoPlace(const ScopedHandle& fresh, const std::string& name, bool replace,
                     DWORD* error);
  // MoveIntoPlace, then the file at name opened anew for access and share,
  // checked to be this very file. The fresh handle's DELETE access would
  // keep everyone who does not share delete from reading the file while it
  // is being written. Empty, with the error, when the fresh file was not
  // moved (it is gone then) or is no longer what stands at name.
  ScopedHandle PlaceFresh(ScopedHandle fresh, const std::string& name, bool replace, DWORD access,
                          DWORD share, DWORD* error);

 private:
  std::vector<ScopedHandle> held_;
  std::string path_;
  std::wstring final_path_;
};

// Renames what item stands for (opened with DELETE) to name (one name) in
// the held folder, through the item's handle and relative to the folder's:
// no path is resolved. A name that is taken is never replaced. False,
// with the Windows error in error (ERROR_ALREADY_EXISTS when the name is
// taken).
bool RenameIntoFolder(const ScopedHandle& item, const ScopedHandle& folder,
                      const std::wstring& name, DWORD* error);

// Creates the file at path (absolute) anew: a fresh file moved over its
// name, so that whatever stood there, a link or a hard link included, is
// replaced and never written through. The handle, open for writing and
// readable by others, or empty with the error.
ScopedHandle CreateFileInPlace(const std::string& path, DWORD* error);

// Replaces the file at name in folder by a fresh one holding bytes, moved
// over the name. False, with the Windows error in error; nothing then stays
// behind.
bool ReplaceFileWith(CheckedFolder& folder, const std::string& name, const std::string& bytes,
                     DWORD* error);

// True when file is a link: marked as a reparse point, a hard link, or a
// name whose final path leads elsewhere; also when what it is cannot be
// made out (the run log then names it). False when nothing stands there.
bool IsFileLink(const char* file);

// Opens path itself, a link included, for the caller to hold: without
// delete sharing, nobody can rename or delete the name while the handle
// lives. Empty unless path is a real folder (folder true) or file.
ScopedHandle OpenRealName(const std::string& path, DWORD access, DWORD flags, bool folder);

// Deletes the file at path when it is a real file, through a handle to
// exactly that file: a link put there, even between a check and the
// deletion, is never followed. False, with the error, when it is no real
// file or cannot be deleted now (a running program's file, for example).
bool DeleteRealFile(const std::string& path);
