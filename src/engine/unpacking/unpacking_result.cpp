#include "engine/unpacking/unpacking_result.h"

#include "common/run_log.h"

namespace {

// The archive reader's errors are small negative numbers; Windows errors
// are positive.
bool IsUnpackingError(unsigned long error) { return static_cast<long>(error) < 0; }

void LogEntryOutcome(const char* name, EntryOutcome outcome, unsigned long error) {
  RunLog& log = TheRunLog();
  if (!log.active()) return;
  const bool unpacking = IsUnpackingError(error);
  const int unpacking_error = unpacking ? static_cast<int>(static_cast<long>(error)) : 0;
  log.NoteFailure(DescribeEntryOutcome(name, outcome, error != 0 && !unpacking, unpacking_error),
                  unpacking ? 0 : error);
}

}  // namespace

void NoteEntryOutcome(UnpackingResult& result, const char* name, EntryOutcome entry_outcome,
                      unsigned long error) {
  LogEntryOutcome(name, entry_outcome, error);
  if (entry_outcome == EntryOutcome::kKeptReadOnly) result.kept_read_only.push_back(name);
  if (entry_outcome == EntryOutcome::kReplacedAtRestart) result.replaced_at_restart.push_back(name);
}
