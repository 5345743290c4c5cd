// Unpacking the embedded viewer archive into the target folder.
#pragma once

#include "resources/resource.h"
#include "unzip.h"

constexpr int kPayloadResourceId = IDR_PAYLOAD;
constexpr char kPayloadResourceType[] = "ZIP";
constexpr char kPayloadTempName[] = "pmarag_x64.zip";
constexpr unsigned kEntryBufferSize = 8192;

// Writes the archive resource to temp_name in a folder of its own that is
// created fresh, under a name nobody can foresee, in the temporary folder;
// unpacks every entry into folder (canonical form) and removes the
// temporary file and its folder.
// 0 on success, -1 on failure. The current directory is folder afterwards.
int ExtractPayload(int resource_id, const char* resource_type, const char* temp_name,
                   const char* folder);

// Opens the archive file (trying once more with ".zip" appended), makes
// folder the current directory and unpacks every entry there. 0 when every
// entry was unpacked or skipped, -1 when the archive cannot be opened, the
// folder cannot be entered or the walk stopped at a faulty entry.
int UnzipToFolder(const char* archive_path, const char* folder);

// Unpacks entry after entry of an opened archive below the current
// directory, with their paths, replacing existing files. A file entry is
// written to a fresh file of its own that then takes the entry's name by a
// rename; a link or junction at an entry's name or folders is replaced,
// never written through. A file that cannot be replaced (read-only,
// locked) is skipped. 0, or -1 when the walk stopped: an unsafe name, a
// file that cannot be put in place where none stood or whose path does not
// fit, a folder link that stays, a read, data or write error, data shorter
// than declared, a CRC mismatch. Entries written before stay; the failed
// entry leaves no file behind and what stood at its name unchanged.
int ExtractAllEntries(unzFile archive);

// Creates every level of an entry's relative folder path ("/" or "\"
// separated, one trailing "/" allowed). 1 on success, 0 when a level cannot
// be created, -104 when out of memory.
int CreateEntryFolders(const char* path);

// A number from the system's random source, for names nobody can foresee.
unsigned RandomNumber();
