#include "integration/registry_layer.h"

#include <cstring>

#include "common/scoped_win.h"

void RegistryLayer::CountFailure(LONG result, bool missing_is_fine) {
  if (result == ERROR_SUCCESS || (missing_is_fine && result == ERROR_FILE_NOT_FOUND)) return;
  ++failed_writes_;
}

void RegistryLayer::SetDefaultValue(HKEY hive, const char* path, const char* text) {
  CountFailure(RegSetValueA(hive, path, REG_SZ, text, static_cast<DWORD>(std::strlen(text))));
}

HKEY RegistryLayer::OpenKey(HKEY hive, const char* path, REGSAM access) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExA(hive, path, 0, access, &key);
  // Refused rights (a standard user on a machine key) are a failed write.
  CountFailure(result, true);
  return result == ERROR_SUCCESS ? key : nullptr;
}

HKEY RegistryLayer::CreateKey(HKEY hive, const char* path) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyA(hive, path, &key);
  CountFailure(result);
  return result == ERROR_SUCCESS ? key : nullptr;
}

void RegistryLayer::SetString(HKEY key, const char* name, const char* text) {
  CountFailure(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                              static_cast<DWORD>(std::strlen(text) + 1)));
}

void RegistryLayer::SetDword(HKEY key, const char* name, DWORD value) {
  CountFailure(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                              sizeof value));
}

void RegistryLayer::DeleteKey(HKEY hive, const char* path) {
  CountFailure(RegDeleteKeyA(hive, path), true);
}

void RegistryLayer::CloseKey(HKEY key) { ScopedKey(key).Close(); }

RegistryLayer& SystemRegistry() {
  static RegistryLayer layer;
  return layer;
}
