// One installation at a time on the machine: a named mutex that
// RunInstallation holds for its whole length.
#pragma once

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
  // the time; true also when no lock could be made at all (nothing to wait
  // for then).
  bool Acquire(unsigned long wait_ms, bool keep_painted);

 private:
  ScopedHandle mutex_;
  bool held_ = false;
};
