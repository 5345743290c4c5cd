// What a name or a handle stands for, asked so that a link can never pass
// for the real thing: the basics the other safe file operations stand on.
#pragma once

#include <string>
#include <vector>

#include "common/scoped_win.h"

// The final path of what handle stands for ("\\?\C:\..."), however long;
// empty when Windows cannot give it.
std::wstring FinalPathOf(HANDLE handle);

// Whether final_path (of a handle) names name in the folder whose final
// path is folder_final, compared in UTF-16 as the file system compares
// names: in the code page a look-alike could pass for the folder's own name.
bool IsNamedIn(const std::wstring& final_path, const std::wstring& folder_final,
               const std::wstring& name);

// The attributes of what handle stands for (opened with FILE_READ_ATTRIBUTES):
// one question to the file system, where GetFileInformationByHandle asks
// the volume as well. False, with the error, when they cannot be had.
bool FileAttributesOf(HANDLE handle, DWORD* attributes);

// The same file or folder: one volume, one file index. SameObject asks two
// open handles.
bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b);
bool SameObject(HANDLE a, HANDLE b);

// What an open file is, asked through its handle: the one real file at name
// in the folder whose final path is folder_final, something else (what says
// what: "a link", "a hard link", ...), or something the setup cannot make
// out (what says why), which must count against the file.
enum class FileCheck { kReal, kOther, kUnknown };
FileCheck CheckRealFileAt(HANDLE file, const std::wstring& folder_final, const std::string& name,
                          std::string* what);

// The folder part of path (up to and with its last backslash among its
// characters) and its name.
bool SplitFilePath(const std::string& path, std::string* folder, std::string* name);

// Marks what handle (opened with DELETE access) stands for to be deleted
// once its last handle closes: exactly that file or empty folder, whatever
// stands at its name by then. False, with the error, when it cannot go.
bool DeleteWhenClosed(const ScopedHandle& handle);

// Holds the folder that path (absolute, ending in a backslash) names now,
// and every level above it below the volume's root, outermost first, in
// held: while the handles live no level can be renamed, deleted or swapped
// for a link, so every path formed from path keeps leading into this very
// folder. Links on the way are followed, as the folder chain followed them.
// False, with the error, when a level cannot be held (another handle that
// may rename or delete it is open: ERROR_SHARING_VIOLATION) or the folder
// is no folder.
bool HoldFolderPath(const std::string& path, std::vector<ScopedHandle>& held);
