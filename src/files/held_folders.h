// Work inside a folder that the setup holds open: names are resolved
// relative to the folder's handle, never from a path again, so that no
// level of the path can lead elsewhere between the hold and the use.
#pragma once

#include <string>
#include <vector>

#include "common/scoped_win.h"

// One name in a held folder, as the folder's own listing gives it: in
// UTF-16, exactly as the file system keeps it.
struct HeldItem {
  std::wstring name;
  DWORD attributes = 0;
  std::wstring short_name;  // its 8.3 name where it has one
};

// Lists the held folder (a handle with list access, listed once) through
// its handle, "." and ".." left out; with pattern ("~*.pm"), the names the
// file system matches with it, which may take short names into account:
// the caller still judges each name. False, with the error, when it cannot
// be listed.
bool ListHeldFolder(const ScopedHandle& folder, std::vector<HeldItem>* items,
                    const char* pattern = nullptr);

// Opens name (one name: no path, no stream, no NUL) in the held folder by its UTF-16 name,
// never through a path: what stands at the name, a link opened as itself
// (see the callers for Wine), with access (SYNCHRONIZE added) and the extra
// create options (FILE_DIRECTORY_FILE, ...). Empty, with the error, when it
// cannot be opened.
ScopedHandle OpenInFolder(const ScopedHandle& folder, const std::wstring& name, ACCESS_MASK access,
                          ULONG options);

// Creates the new file name (one name: no path, no stream, no NUL) in the held folder by its
// UTF-16 name, never through a path, with access (SYNCHRONIZE added),
// share and file_attributes; whatever stands at the name, a link included,
// fails it. Empty, with the error, when it cannot be made.
ScopedHandle CreateInFolder(const ScopedHandle& folder, const std::wstring& name,
                            ACCESS_MASK access, ULONG share, ULONG file_attributes);

// Makes the new folder name (one name) in the held folder, relative to its
// handle, and holds it as HoldRealFolderIn does (list access, no delete
// sharing); whatever stands at the name, a link included, fails it. Empty,
// with the error, when it cannot be made.
ScopedHandle CreateFolderIn(const ScopedHandle& folder, const std::wstring& name);

// Gives the open file (opened with DELETE access) the name name (one name)
// in the held folder, relative to the folder's handle, never through a
// path. Whatever stands at the name, a link included, fails it: nothing is
// replaced. False, with the error, when it did not move.
bool RenameInto(const ScopedHandle& file, const ScopedHandle& folder, const std::wstring& name);

// Opens the held folder once more through its own handle, with access
// checked against its descriptor as it is now (changed through the held
// handle, say); no name is resolved. Empty, with the error, when refused.
ScopedHandle ReopenHeldFolder(const ScopedHandle& folder, ACCESS_MASK access);

// Opens the real folder at name in the held folder and holds it, as
// HoldRealFolder does with a path: list access and extra_access. Empty when
// no real folder stands there or the name has no exact form in the code
// page.
ScopedHandle HoldRealFolderIn(const ScopedHandle& folder, const std::wstring& name,
                              DWORD extra_access);

// Deletes the file name in the held folder (a handle with list access):
// exactly that file, when it is a real file with no other name. A link
// placed at the name, or anything else, stays. False, with the error, when
// nothing was deleted.
bool DeleteRealFileIn(const ScopedHandle& folder, const char* name);

// True when the object behind item is owned by the account this process
// runs as (its user, or the owner it gives what it creates).
bool OwnedByThisAccount(const ScopedHandle& item);

// Opens the folder at path and holds it so that, while the handle lives,
// the name keeps naming that folder: it cannot be renamed, deleted or
// swapped for a link. An empty handle when path is no real folder (a link,
// a junction, a file) or cannot be opened. With DELETE in extra_access the
// holder may remove the folder through the handle (DeleteWhenClosed).
ScopedHandle HoldRealFolder(const std::string& path, DWORD extra_access = 0);
