// The machine's restart list, "PendingFileRenameOperations" under
// HKLM\System\CurrentControlSet\Control\Session Manager: a REG_MULTI_SZ of
// pairs, each a source and a target as NT paths ("\??\C:\..."). An empty
// target deletes the source at the restart; a target written with "!" in
// front replaces an existing file. Windows carries the pairs out in order and
// passes over a pair whose source is gone. The setup reads the list, and
// compares paths with it, in UTF-8: it may name files in any script.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct PendingRename {
  std::string source;  // as stored
  std::string target;  // as stored; empty for a deletion
};

// Reads the value's bytes into pairs. False, with pairs empty, when the
// bytes are not a whole list of pairs (an odd count of strings, text after
// the closing terminator).
bool ParsePendingRenames(std::string_view data, std::vector<PendingRename>* pairs);

// The Win32 path a stored source or target names: without the "!" and the
// "\??\" in front.
std::string_view PendingRenamePath(std::string_view stored);

// True when path (a full Win32 path) is the source of any pair, compared as
// Windows compares file names.
bool IsPendingSource(const std::vector<PendingRename>& pairs, std::string_view path);

// The sources of the earlier replacements of target (a full Win32 path) by a
// file of the setup's own beside it (a fresh name in target's folder), apart
// from own: what a later run that puts its own file at target takes over.
std::vector<std::string> EarlierStagedReplacements(const std::vector<PendingRename>& pairs,
                                                   std::string_view target, std::string_view own);
