// The one way an installation tells the user anything, chosen once from
// the mode: in the wizard a message box owned by the sheet, in a silent run
// an entry of the setup log; each also noted in the run log. Whether the
// run is silent is decided here and nowhere else below start-up.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/messages.h"

class InstallationSession {
 public:
  // The mode (silent or wizard) is the plan's, given here once.
  // owner: the window that owns the wizard's boxes (the sheet), so that it
  // stays disabled while a box waits, whichever window is active.
  explicit InstallationSession(bool silent, HWND owner = nullptr);

  // The sheet, or none in a silent run.
  HWND owner() const { return owner_; }
  // Whether a wait keeps the wizard's windows painted; a silent run has
  // none to paint.
  bool KeepsWindowsPainted() const { return !silent_; }

  // A failure that ends the installation: the wizard shows message; a
  // silent run writes entry to the setup log. The run log notes message.
  // message is one of the setup's own texts; one that names a path too is
  // a ShownText, whose bytes the run log notes.
  void Fail(const std::string& message, const std::string& entry);
  void Fail(const ShownText& message, const std::string& entry);
  // Another setup kept the lock, or (lock_error not 0) no lock could be
  // made: the wizard has no message of its own for this and shows message
  // 7 (check whether Pellumara runs); a silent run logs which it was.
  void FailBecauseAnotherSetupRuns(unsigned long lock_error = 0);
  // A question only the wizard's user is asked (message id, a Yes/No box):
  // the box's answer, noted in the run log ("answer: yes", or "answer: no, "
  // and what_no_means). A silent run shows and notes nothing and answers
  // silent_answer: its options already said what it wants.
  int Ask(int id, UINT style, int silent_answer, const std::string& what_no_means);
  // A note only the wizard's user is given (message id), and what the
  // wizard does once it is read (then, if any); a silent run shows nothing
  // and does nothing of it.
  void Hint(int id, UINT style, const std::function<void()>& then = nullptr);
  // What an installation that went through left unwritten: a silent run
  // writes each of logged_parts to the setup log, line by line, for the
  // administrator's script; the wizard's user gets shown_parts in one box
  // (none when empty). Parts as in Fail.
  void ReportIncomplete(const std::vector<std::string>& logged_parts,
                        const std::vector<std::string>& shown_parts);
  void ReportIncomplete(const std::vector<std::string>& logged_parts,
                        const std::vector<ShownText>& shown_parts);
  // What only the administrator of a silent run reads in the setup log: a
  // kept file, a file that waits for the restart, refused registry values.
  void LogForAdministrator(const std::string& entry);

 private:
  bool silent_;
  HWND owner_;
};
