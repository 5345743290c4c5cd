#include "engine/message_owner.h"

namespace {

// Only the user-interface thread shows the engine's boxes.
HWND g_message_owner = nullptr;

}  // namespace

ScopedMessageOwner::ScopedMessageOwner(HWND owner) : previous_(g_message_owner) {
  g_message_owner = owner;
}

ScopedMessageOwner::~ScopedMessageOwner() { g_message_owner = previous_; }

HWND MessageOwner() {
  if (g_message_owner != nullptr && IsWindow(g_message_owner)) return g_message_owner;
  return GetActiveWindow();
}
