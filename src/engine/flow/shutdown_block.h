// While the installation stages, commits and writes the registration, a
// shutdown or log-off waits for it: the setup's top-level window answers
// Windows' question with "not now" and gives the reason Windows shows. A
// session ended anyway leaves what the journal lets the next run finish.
#pragma once

#include <windows.h>

class ShutdownBlock {
 public:
  // Holds shutdowns off through window's top-level window (the wizard's
  // sheet), or without one through a hidden top-level window of its own.
  // Call on the thread that owns window; it answers while that thread
  // answers sent messages.
  explicit ShutdownBlock(HWND window);
  ~ShutdownBlock() { Lift(); }
  ShutdownBlock(const ShutdownBlock&) = delete;
  ShutdownBlock& operator=(const ShutdownBlock&) = delete;

  // Lets a shutdown go on again; the run log notes one that waited.
  void Lift();

  // The answer to message, when the block gives one.
  bool Answers(UINT message, WPARAM wparam, LRESULT* answer);

 private:
  HWND window_ = nullptr;
  bool own_window_ = false;
  int shutdowns_held_off_ = 0;
};
