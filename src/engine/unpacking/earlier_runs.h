// What a killed run left in the target folder.
#pragma once

#include <string>
#include <vector>

// Before a run unpacks into target (full path, ending in a backslash):
// finishes the commit of a killed run that left its journal, then removes
// the setup's own fresh and set-aside files that no journal names from the
// folders given (relative to target, "" for target itself).
void FinishEarlierRun(const std::string& target, const std::vector<std::string>& folders);
