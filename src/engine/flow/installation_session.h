// The one way an installation tells the user anything, chosen once from
// the mode: in the wizard a message box owned by the sheet, in a silent run
// an entry of the setup log; each also noted in the run log.
#pragma once

#include <windows.h>

#include <string>

#include "common/install_options.h"

class InstallationSession {
 public:
  // The mode is the options' own (silent or wizard), read here once.
  // owner: the window that owns the wizard's boxes (the sheet), so that it
  // stays disabled while a box waits, whichever window is active.
  explicit InstallationSession(const InstallOptions& options, HWND owner = nullptr);

  bool silent() const { return silent_; }
  HWND owner() const { return owner_; }

  // A failure that ends the installation: the wizard shows message; a
  // silent run writes entry to the setup log. The run log notes message.
  void Fail(const std::string& message, const std::string& entry);
  // Another setup kept the lock, or (lock_error not 0) no lock could be
  // made: the wizard has no message of its own for this and shows message
  // 7 (check whether Pellumara runs); a silent run logs which it was.
  void FailBecauseAnotherSetupRuns(unsigned long lock_error = 0);
  // A question or a note only the wizard's user is given (message id):
  // the box's answer; a silent run shows nothing and answers 0.
  int Tell(int id, UINT style);
  // What only the administrator of a silent run reads in the setup log: a
  // kept file, a file that waits for the restart, refused registry values.
  void LogForAdministrator(const std::string& entry);

 private:
  bool silent_;
  HWND owner_;
};
