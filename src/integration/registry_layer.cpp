#include "integration/registry_layer.h"

#include <cstring>

void RegistryLayer::SetDefaultValue(HKEY hive, const char* path, const char* text) {
  RegSetValueA(hive, path, REG_SZ, text, static_cast<DWORD>(std::strlen(text)));
}

HKEY RegistryLayer::OpenKey(HKEY hive, const char* path, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(hive, path, 0, access, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

HKEY RegistryLayer::CreateKey(HKEY hive, const char* path) {
  HKEY key = nullptr;
  if (RegCreateKeyA(hive, path, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

void RegistryLayer::SetString(HKEY key, const char* name, const char* text) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(std::strlen(text) + 1));
}

void RegistryLayer::SetDword(HKEY key, const char* name, DWORD value) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void RegistryLayer::DeleteKey(HKEY hive, const char* path) { RegDeleteKeyA(hive, path); }

void RegistryLayer::CloseKey(HKEY key) { RegCloseKey(key); }

RegistryLayer& SystemRegistry() {
  static RegistryLayer layer;
  return layer;
}
