// The machine's restart list, the files Windows moves or deletes when it
// restarts. The list holds the pairs of every program on the machine and
// the setup never writes it as a whole: its own pairs are appended by
// MoveFileEx, one at a time. A replacement that waits there belongs to an
// earlier run: it is never swept as a leftover, and a later run that puts
// its own file at the same name takes it over by removing the earlier
// run's staged file, so that the restart passes the pair over and never
// brings back an older file.
#pragma once

#include <string>
#include <vector>

#include "rules/restart_list_rules.h"

class RestartList {
 public:
  // Reads the list. A list that is not there reads as empty; one that
  // cannot be read, or that holds what Windows would not have written, is
  // not readable: nobody can tell what the restart does.
  static RestartList Read();

  bool Readable() const { return readable_; }
  // Why the list could not be read: the Windows error, or ERROR_INVALID_DATA
  // for a value of another type or shape.
  unsigned long ReadError() const { return read_error_; }

  // Whether the file (a path as the setup uses it) waits in the list; true
  // for every file when the list cannot be read.
  bool Names(const std::string& path) const;

  // Removes the staged files of the earlier replacements of name (relative
  // to root, the target folder ending in a backslash) by the setup's own
  // fresh files, other than own (relative as well): the restart then
  // leaves the file at name alone, whichever pairs follow in the list.
  // False when one of them could not be removed (held open by another
  // program): the restart would put it at name.
  bool TakeOverReplacementsOf(const std::string& root, const std::string& name,
                              const std::string& own) const;

 private:
  std::vector<PendingRename> pairs_;  // in UTF-8: the list holds any name
  bool readable_ = true;
  unsigned long read_error_ = 0;
};
