#include "engine/extraction_report.h"

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

void NoteEntryOutcome(ExtractionReport* report, const char* name, EntryOutcome outcome,
                      unsigned long error) {
  LogEntryOutcome(name, outcome, error);
  if (report == nullptr) return;
  if (outcome == EntryOutcome::kKeptReadOnly) report->kept_read_only.push_back(name);
  if (outcome == EntryOutcome::kReplacedAtRestart) report->replaced_at_restart.push_back(name);
  if (report->on_entry != nullptr) report->on_entry(report->context, name, outcome, error);
}

void BlameTemporaryArchive(ExtractionReport* report, const char* path) {
  if (report != nullptr) report->temp_at_fault = path;
}
