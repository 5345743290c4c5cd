// The machine's restart list, the files Windows moves or deletes when it
// restarts. A replacement that waits there belongs to an earlier run: it is
// never swept as a leftover, and a later run that puts its own file at the
// same name takes it over, so that the restart never brings back an older
// file.
#pragma once

#include <string>
#include <vector>

#include "rules/restart_list_rules.h"

class RestartList {
 public:
  // Reads the list. One that cannot be read, or that holds what Windows
  // would not have written, reads as empty and is never written back.
  static RestartList Read();

  // Whether the file (a path as the setup uses it) waits in the list.
  bool Names(const std::string& path) const;

  // Drops the earlier replacements of name by the setup's own fresh files,
  // other than own, from the list and deletes their files.
  void TakeOverReplacementsOf(const std::string& name, const std::string& own);

  // Writes the list back when a replacement was taken over; the value goes
  // when nothing is left in it. False when that was refused.
  bool Save();

 private:
  std::vector<PendingRename> pairs_;  // in UTF-8: the list holds any name
  bool readable_ = false;
  bool changed_ = false;
};
