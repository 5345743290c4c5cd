#include "engine/messages.h"

#include <windows.h>

std::string LoadMessage(int id) {
  char text[1024];
  int length = LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), text, sizeof text);
  if (length <= 0) return {};
  return std::string(text, static_cast<std::size_t>(length));
}
