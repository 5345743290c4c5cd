#include "common/messages.h"

#include <windows.h>

#include "common/run_log.h"

namespace {

// The longest message, the usage text, has some 1200 characters.
constexpr int kMessageBufferSize = 4096;

}  // namespace

std::string LoadMessage(int id) {
  char text[kMessageBufferSize];
  int length = LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), text, sizeof text);
  if (length <= 0) return {};
  return std::string(text, static_cast<std::size_t>(length));
}

int ShowTextBox(HWND owner, const std::string& text, UINT style) {
  return MessageBoxA(owner, text.c_str(), LoadMessage(IDS_CAPTION).c_str(), style);
}

int ShowMessage(HWND owner, int id, UINT style) {
  const std::string text = LoadMessage(id);
  TheRunLog().NoteMessage(text);
  return ShowTextBox(owner, text, style);
}
