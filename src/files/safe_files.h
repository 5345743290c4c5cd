// The safe file operations, the index a newcomer reads first. The setup
// runs elevated and writes where others may write too: every operation here
// acts through a handle it checked, or on a fresh name it moves into place,
// so that no link or look-alike placed by someone else is ever followed.
#pragma once

// Paths
//   full_paths.h       MakePathWhole: a folder absolute, "." and ".." resolved
//   file_identity.h    FinalPathOf, SplitFilePath, HoldFolderPath: what a
//                      handle stands for, a path's levels held while in use
// (names from Windows become ANSI only through common/ansi_path.h)

// Files
//   file_identity.h    CheckRealFileAt, DeleteWhenClosed: one real file, and
//                      its deletion through its own handle
//   checked_files.h    CheckedFolder, CreateFileInPlace, ReplaceFileWith:
//                      files written through checked handles or fresh names;
//                      IsFileLink, DeleteRealFile, OpenRealName by path

// Folders
//   held_folders.h     HoldRealFolder, ListHeldFolder, OpenInFolder,
//                      CreateInFolder, DeleteRealFileIn, OwnedByThisAccount:
//                      folders held open, listed and used through their
//                      handles
//   temp_folders.h     TempFolder, PrivateFolder, RemoveLeftoverTempFolders:
//                      the setup's own folders in the temporary folder,
//                      closed to others, held while they live, swept
//   entry_folders.h    CreateEntryFolders, MakeFolderLevelsReal,
//                      HoldRealFolderLevels: the archive's folders below the
//                      target, every level a real folder

// Permissions
//   folder_security_reader.h Win32FolderSecurityReader, AccountName: who
//                      controls a folder or an item, read through its handle
//   folder_security.h  CheckExistingFolder, SecureMovableLevels: an existing
//                      folder and its levels, judged and held
//   folder_protection.h FolderProtection, ProtectExistingFolder: the
//                      permissions of a new folder, and those an existing one
//                      gets, its contents walked through handles
//   protection_walk.h, planted_items.h: that walk, and what it does with a
//                      link or another account's item it finds

#include "files/checked_files.h"
#include "files/entry_folders.h"
#include "files/file_identity.h"
#include "files/folder_protection.h"
#include "files/folder_security.h"
#include "files/folder_security_reader.h"
#include "files/full_paths.h"
#include "files/held_folders.h"
#include "files/temp_folders.h"
