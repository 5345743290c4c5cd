// Who controls a folder or an item in it: its owner and access list, read
// through a handle to the thing itself, never by a name that may lead
// elsewhere.
#pragma once

#include <windows.h>

#include <string>

#include "common/scoped_win.h"
#include "rules/folder_trust_rules.h"

// Reads what the descriptors of the folder's path say: for every level
// below the volume's root that exists, outermost first. Each level is read
// through a handle to itself, so that a link or junction placed there is
// judged by its own owner, not by where it leads.
class FolderSecurityReader {
 public:
  virtual ~FolderSecurityReader() = default;
  // The SID of the account the setup runs as, "" when unknown.
  virtual std::string RunningUser() = 0;
  // False when nothing stands at level (the chain creates it). Else held
  // is the level, opened without following a link and without delete
  // sharing, so that nobody can move it aside while the handle lives; a
  // link or junction there reads as such (reparse_point).
  virtual bool Read(const std::string& level, FolderSecurity* security, ScopedHandle* held) = 0;
  // What the descriptor of an item of the target says, read through its
  // handle; shown names it for the run log.
  virtual void ReadItem(HANDLE item, const std::string& shown, FolderSecurity* security) = 0;
};

class Win32FolderSecurityReader : public FolderSecurityReader {
 public:
  std::string RunningUser() override;
  bool Read(const std::string& level, FolderSecurity* security, ScopedHandle* held) override;
  void ReadItem(HANDLE item, const std::string& shown, FolderSecurity* security) override;
};

// What a descriptor's owner and access list say; read false when they
// cannot be told.
void ReadDescriptor(PSECURITY_DESCRIPTOR descriptor, FolderSecurity* security);

// The account behind a SID as "DOMAIN\name", else the SID itself.
std::string AccountName(const std::string& sid_text);
