#include "engine/extraction_report.h"

void NoteEntryOutcome(ExtractionReport* report, const char* name, EntryOutcome outcome,
                      unsigned long error) {
  if (report == nullptr) return;
  if (outcome == EntryOutcome::kKeptReadOnly) report->kept_read_only.push_back(name);
  if (outcome == EntryOutcome::kReplacedAtRestart) report->replaced_at_restart.push_back(name);
  if (report->on_entry != nullptr) report->on_entry(report->context, name, outcome, error);
}
