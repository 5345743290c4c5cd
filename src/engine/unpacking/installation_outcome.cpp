#include "engine/unpacking/installation_outcome.h"

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

void NoteEntryOutcome(InstallationOutcome& outcome, const char* name, EntryOutcome entry_outcome,
                      unsigned long error) {
  LogEntryOutcome(name, entry_outcome, error);
  switch (entry_outcome) {
    case EntryOutcome::kKeptReadOnly: outcome.kept_read_only.push_back(name); break;
    case EntryOutcome::kReplacedAtRestart: outcome.replaced_at_restart.push_back(name); break;
    case EntryOutcome::kFailed:
      outcome.failed_entry = name;
      outcome.failed_error = error;
      break;
    default: break;
  }
}

void BlameTemporaryArchive(InstallationOutcome& outcome, const char* path) {
  outcome.temp_at_fault = path;
}
