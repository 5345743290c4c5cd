// A folder as given, made whole before any rule looks at it: "C:\Program
// Files\..\Tools" is "C:\Tools", and every check, the folder chain and the
// messages must see the latter.
#pragma once

#include <cstddef>

// Makes the absolute path in path (size bytes) whole: its "." and ".."
// levels resolved and its separators single, as Windows resolves it when it
// opens the path. A path that is not absolute stays as it is, to be refused
// as such. False, the path unchanged, when it cannot be resolved or the
// result does not fit.
bool MakePathWhole(char* path, std::size_t size);
