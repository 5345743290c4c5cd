// The small full file system that tests/windows/full_disk.sh mounts.
#pragma once

#include <string>

// The folder as Wine's Z: drive sees it (no trailing backslash); empty when
// nothing could be mounted, and the test should skip.
std::string FullDiskFolder();

// An empty folder of that name on the full disk, made afresh; empty when
// nothing is mounted, and the test should skip.
std::string FreshFolderOnFullDisk(const std::string& name);

// The empty read-only folder beside it, as Wine's Z: drive sees it; empty
// when it is missing or can be written to after all, and the test should
// skip.
std::string ReadOnlyFolder();
