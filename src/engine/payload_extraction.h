// Unpacking the embedded viewer archive into the target folder.
#pragma once

#include <string>
#include <vector>

#include "engine/extraction_report.h"
#include "resources/resource.h"
#include "unzip.h"

constexpr int kPayloadResourceId = IDR_PAYLOAD;
constexpr char kPayloadResourceType[] = "ZIP";
constexpr char kPayloadTempName[] = "pmarag_x64.zip";
// Entry data goes to the disk in pieces of this size: every write is a call
// into the system, and most of the viewer's files fit in one.
constexpr unsigned kEntryBufferSize = 256 * 1024;

// Writes the archive resource to temp_name in a folder of its own that is
// created fresh, under a name nobody can foresee, in the temporary folder;
// unpacks every entry into folder (canonical form) and removes the
// temporary file and its folder. What became of each entry goes to report
// (may be null).
// 0 on success, -1 on failure. The current directory is folder afterwards.
int ExtractPayload(int resource_id, const char* resource_type, const char* temp_name,
                   const char* folder, ExtractionReport* report = nullptr);

// Removes the private temporary folders ("pmarag-" and 16 hex digits) that
// killed runs left in the temporary folder, each with the archive it held.
// Only while no other setup runs.
void RemoveLeftoverTempFolders();

// Opens the archive file (trying once more with ".zip" appended), makes
// folder the current directory and unpacks every entry there. 0 when every
// entry was unpacked or kept, -1 when the archive cannot be opened, the
// folder cannot be entered or the extraction failed (the folder is then as
// it was).
int UnzipToFolder(const char* archive_path, const char* folder,
                  ExtractionReport* report = nullptr);

// Unpacks every entry of an opened archive below the current directory,
// with their paths, all or nothing. First a killed run's leftovers there
// are finished or removed and the volume's free space is checked against
// the archive's unpacked size. Then every file entry is staged: written to
// a fresh file of its own beside its name and checked (length, CRC); a
// link or junction at an entry's folders is replaced, never written
// through. Only when all are staged does each fresh file take its entry's
// name (entry_commit.h). A read-only file at a name is kept. 0, or -1 when
// the space is short, a name is unsafe or does not fit, a file cannot be
// made, data is faulty (read, inflate, short, CRC) or the commit could not
// be finished: then every file made and every folder created that is still
// empty is removed again, and each name keeps what it held.
int ExtractAllEntries(unzFile archive, ExtractionReport* report = nullptr);

// Creates every level of an entry's relative folder path ("/" or "\"
// separated, one trailing "/" allowed). 1 on success, 0 when a level cannot
// be created, -104 when out of memory. Each level it created is added to
// created, when given.
int CreateEntryFolders(const char* path, std::vector<std::string>* created = nullptr);

// A number from the system's random source, for names nobody can foresee.
unsigned RandomNumber();
