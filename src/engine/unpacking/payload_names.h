// The names of the payload archive's entries, read before anything is
// unpacked: the target folder's protection keeps nothing else.
#pragma once

#include <string>
#include <vector>

// Reads the entry names of the archive that the setup carries as the
// resource resource_id of resource_type, from its central directory where
// the resource is mapped. False, with names empty, when the resource is
// missing or its directory cannot be read.
bool ReadPayloadEntryNames(int resource_id, const char* resource_type,
                           std::vector<std::string>* names);
