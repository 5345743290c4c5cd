// The restart list's rules over any value: a list read as whole is exactly
// its pairs, written back the way Windows writes them; a list that is not
// whole yields no pair; what a later run takes over is a pair's source,
// staged beside the target, and never the run's own file.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "rules/payload_rules.h"
#include "rules/restart_list_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view value(reinterpret_cast<const char*>(data), size);
  std::vector<PendingRename> pairs;
  if (!ParsePendingRenames(value, &pairs)) {
    FUZZ_CHECK(pairs.empty());
    return 0;
  }
  std::string written;
  for (const PendingRename& pair : pairs) {
    FUZZ_CHECK(!pair.source.empty());
    FUZZ_CHECK(pair.source.find('\0') == std::string::npos);
    FUZZ_CHECK(pair.target.find('\0') == std::string::npos);
    written += pair.source + '\0' + pair.target + '\0';
  }
  // The value is the pairs, then only terminators; the last target may lack
  // its own.
  const std::size_t rest = value.find_first_not_of('\0', std::min(written.size(), value.size()));
  FUZZ_CHECK(rest == std::string_view::npos);
  FUZZ_CHECK(value.substr(0, std::min(written.size(), value.size())) ==
             std::string_view(written).substr(0, std::min(written.size(), value.size())));
  FUZZ_CHECK(written.size() <= value.size() + 1);
  for (const PendingRename& pair : pairs) {
    const std::string_view source = PendingRenamePath(pair.source);
    FUZZ_CHECK(source.size() <= pair.source.size());
    if (!source.empty()) FUZZ_CHECK(IsPendingSource(pairs, source));
    if (pair.target.empty()) continue;
    const std::string target(PendingRenamePath(pair.target));
    const std::string own = target + ".own";
    for (const std::string& staged : EarlierStagedReplacements(pairs, target, own)) {
      FUZZ_CHECK(IsPendingSource(pairs, staged));
      FUZZ_CHECK(staged != own);
      FUZZ_CHECK(!EntryNamePart(staged).empty());
    }
  }
  return 0;
}
