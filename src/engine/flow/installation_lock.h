// One installation at a time on the machine: a named mutex that
// RunInstallation holds for its whole length.
#pragma once

#include <string>

#include "common/scoped_win.h"

// The longest a setup waits for another one before it gives up.
constexpr unsigned long kInstallationWaitMs = 10 * 60 * 1000;

class InstallationLock {
 public:
  InstallationLock() = default;
  ~InstallationLock();
  InstallationLock(const InstallationLock&) = delete;
  InstallationLock& operator=(const InstallationLock&) = delete;

  // Waits up to wait_ms for the lock. With keep_painted the windows of the
  // thread answer what is sent to them and are repainted meanwhile (the
  // wizard's wait label stays up, and Windows never takes it for hung). A
  // lock left behind by a killed setup counts as free; one that exists but
  // may not be opened counts as held. False when another setup held it all
  // the time, and at once when no lock can be made at all (its name taken
  // by another kind of object, say): the run never goes on unlocked.
  bool Acquire(unsigned long wait_ms, bool keep_painted);

  // After a false Acquire: no lock could be made (the run log says why),
  // and the Windows error behind it; 0 when another setup held it.
  unsigned long failure() const { return failure_; }

 private:
  bool MakeInPrivateNamespace();
  bool MakeByName(unsigned long wait_ms, bool keep_painted);

  ScopedHandle mutex_;
  HANDLE namespace_ = nullptr;
  bool held_ = false;
  unsigned long failure_ = 0;
};
