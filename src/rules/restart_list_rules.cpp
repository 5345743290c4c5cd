#include "rules/restart_list_rules.h"

#include "rules/payload_rules.h"
#include "rules/upgrade_rules.h"

namespace {

constexpr std::string_view kNtPrefix = "\\??\\";
constexpr char kReplaceMark = '!';

// The list is read in UTF-8.
std::string Key(std::string_view path) { return FileSystemKey(path, CodePageCharacters::Utf8()); }

bool SamePath(std::string_view a, std::string_view b) { return Key(a) == Key(b); }

}  // namespace

bool ParsePendingRenames(std::string_view data, std::vector<PendingRename>* pairs) {
  pairs->clear();
  std::size_t at = 0;
  while (at < data.size()) {
    std::size_t source_end = data.find('\0', at);
    if (source_end == at) {
      // An empty source is the closing terminator: only terminators follow.
      if (data.find_first_not_of('\0', at) == std::string_view::npos) return true;
      break;
    }
    // A source must be terminated; a target may be empty, and the last one
    // may lack its terminators.
    if (source_end == std::string_view::npos) break;
    std::size_t target_end = data.find('\0', source_end + 1);
    if (target_end == std::string_view::npos) target_end = data.size();
    pairs->push_back({std::string(data.substr(at, source_end - at)),
                      std::string(data.substr(source_end + 1, target_end - source_end - 1))});
    at = target_end + 1;
  }
  if (at >= data.size()) return true;
  pairs->clear();
  return false;
}

std::string_view PendingRenamePath(std::string_view stored) {
  if (!stored.empty() && stored[0] == kReplaceMark) stored.remove_prefix(1);
  if (stored.substr(0, kNtPrefix.size()) == kNtPrefix) stored.remove_prefix(kNtPrefix.size());
  return stored;
}

bool IsPendingSource(const std::vector<PendingRename>& pairs, std::string_view path) {
  for (const PendingRename& pair : pairs) {
    if (SamePath(PendingRenamePath(pair.source), path)) return true;
  }
  return false;
}

std::vector<std::string> EarlierStagedReplacements(const std::vector<PendingRename>& pairs,
                                                   std::string_view target, std::string_view own) {
  std::vector<std::string> sources;
  const std::string folder_key = Key(EntryFolderPart(target));
  for (const PendingRename& pair : pairs) {
    if (pair.target.empty() || !SamePath(PendingRenamePath(pair.target), target)) continue;
    std::string_view source = PendingRenamePath(pair.source);
    if (SamePath(source, own) || Key(EntryFolderPart(source)) != folder_key ||
        !IsFreshFileName(EntryNamePart(source))) {
      continue;
    }
    sources.emplace_back(source);
  }
  return sources;
}
