#include "integration/registry_layer.h"

#include <cstring>

#include "common/run_log.h"
#include "common/scoped_win.h"

namespace {

std::string HiveName(HKEY hive) {
  if (hive == HKEY_LOCAL_MACHINE) return "HKLM";
  if (hive == HKEY_CURRENT_USER) return "HKCU";
  if (hive == HKEY_CLASSES_ROOT) return "HKCR";
  return "HKEY";
}

std::string KeyPath(HKEY hive, const char* path) { return HiveName(hive) + "\\" + path; }

std::string ValueName(const char* name) {
  return name == nullptr || name[0] == '\0' ? std::string("(default)") : std::string(name);
}

}  // namespace

void RegistryLayer::CountFailure(LONG result, const std::string& what, bool missing_is_fine) {
  if (result == ERROR_SUCCESS) {
    TheRunLog().Note("registry: " + what);
    return;
  }
  CountRefusal(result, what, missing_is_fine);
}

void RegistryLayer::CountRefusal(LONG result, const std::string& what, bool missing_is_fine) {
  if (result == ERROR_SUCCESS || (missing_is_fine && result == ERROR_FILE_NOT_FOUND)) return;
  ++failed_writes_;
  TheRunLog().NoteFailure("registry refused: " + what, static_cast<unsigned long>(result));
}

std::string RegistryLayer::KeyName(HKEY key) const {
  auto found = key_names_.find(key);
  return found != key_names_.end() ? found->second : std::string("(key)");
}

void RegistryLayer::SetDefaultValue(HKEY hive, const char* path, const char* text) {
  CountFailure(RegSetValueA(hive, path, REG_SZ, text, static_cast<DWORD>(std::strlen(text))),
               KeyPath(hive, path) + " (default) = \"" + text + "\"");
}

HKEY RegistryLayer::OpenKey(HKEY hive, const char* path, REGSAM access) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExA(hive, path, 0, access, &key);
  // Refused rights (a standard user on a machine key) are a failed write.
  CountRefusal(result, "open " + KeyPath(hive, path), true);
  if (result != ERROR_SUCCESS) return nullptr;
  key_names_[key] = KeyPath(hive, path);
  return key;
}

HKEY RegistryLayer::CreateKey(HKEY hive, const char* path) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyA(hive, path, &key);
  CountRefusal(result, "create " + KeyPath(hive, path));
  if (result != ERROR_SUCCESS) return nullptr;
  key_names_[key] = KeyPath(hive, path);
  return key;
}

void RegistryLayer::SetString(HKEY key, const char* name, const char* text) {
  CountFailure(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                              static_cast<DWORD>(std::strlen(text) + 1)),
               KeyName(key) + " " + ValueName(name) + " = \"" + text + "\"");
}

void RegistryLayer::SetDword(HKEY key, const char* name, DWORD value) {
  CountFailure(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                              sizeof value),
               KeyName(key) + " " + ValueName(name) + " = " + std::to_string(value));
}

void RegistryLayer::DeleteKey(HKEY hive, const char* path) {
  CountFailure(RegDeleteKeyA(hive, path), "delete " + KeyPath(hive, path), true);
}

void RegistryLayer::CloseKey(HKEY key) {
  key_names_.erase(key);
  ScopedKey(key).Close();
}

RegistryLayer& SystemRegistry() {
  static RegistryLayer layer;
  return layer;
}
