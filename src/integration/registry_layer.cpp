#include "integration/registry_layer.h"

#include <cstring>
#include <utility>

#include "common/run_log.h"

namespace {

std::string KeyPath(HKEY hive, const char* path) { return HiveName(hive) + "\\" + path; }

std::string ValueName(const char* name) {
  return name == nullptr || name[0] == '\0' ? std::string("(default)") : std::string(name);
}

std::string StringWrite(const std::string& key, const char* name, const char* text) {
  return key + " " + ValueName(name) + " = \"" + text + "\"";
}

DWORD StringSize(const char* text) { return static_cast<DWORD>(std::strlen(text) + 1); }

}  // namespace

std::string HiveName(HKEY hive) {
  if (hive == HKEY_LOCAL_MACHINE) return "HKLM";
  if (hive == HKEY_CURRENT_USER) return "HKCU";
  if (hive == HKEY_CLASSES_ROOT) return "HKCR";
  return "HKEY";
}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this == &other) return *this;
  Close();
  layer_ = other.layer_;
  handle_ = std::exchange(other.handle_, nullptr);
  name_ = std::move(other.name_);
  error_ = other.error_;
  refusal_ = other.refusal_;
  return *this;
}

void RegistryKey::Close() {
  if (handle_ != nullptr && layer_ != nullptr) layer_->CloseKey(handle_);
  handle_ = nullptr;
}

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

RegistryKey RegistryLayer::Held(HKEY handle, std::string name, LONG result, KeyRefusal refusal) {
  if (result != ERROR_SUCCESS) handle = nullptr;
  return RegistryKey(this, handle, std::move(name), result, refusal);
}

bool RegistryLayer::KeyIsOpen(const RegistryKey& key, const std::string& what) {
  if (key) return true;
  if (key.refusal() == KeyRefusal::kPerValue) CountFailure(key.error(), what);
  return false;
}

RegistryKey RegistryLayer::CreateKey(HKEY hive, const char* path, KeyRefusal refusal,
                                     REGSAM access) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyExA(hive, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                &key, nullptr);
  if (refusal == KeyRefusal::kOnce) CountRefusal(result, "create " + KeyPath(hive, path));
  return Held(key, KeyPath(hive, path), result, refusal);
}

RegistryKey RegistryLayer::CreateSubkey(const RegistryKey& parent, const char* path,
                                        KeyRefusal refusal) {
  const std::string name = parent.name() + "\\" + path;
  HKEY key = nullptr;
  LONG result = parent ? RegCreateKeyExA(parent.handle(), path, 0, nullptr,
                                         REG_OPTION_NON_VOLATILE,
                                         KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, &key, nullptr)
                       : parent.error();
  if (refusal == KeyRefusal::kOnce) CountRefusal(result, "create " + name);
  return Held(key, name, result, refusal);
}

RegistryKey RegistryLayer::OpenKey(HKEY hive, const char* path, REGSAM access) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExA(hive, path, 0, access, &key);
  // Refused rights (a standard user on a machine key) are a failed write.
  CountRefusal(result, "open " + KeyPath(hive, path), true);
  return Held(key, KeyPath(hive, path), result, KeyRefusal::kOnce);
}

void RegistryLayer::SetString(const RegistryKey& key, const char* name, const char* text) {
  const std::string what = StringWrite(key.name(), name, text);
  if (!KeyIsOpen(key, what)) return;
  CountFailure(RegSetValueExA(key.handle(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                              StringSize(text)),
               what);
}

void RegistryLayer::SetDword(const RegistryKey& key, const char* name, DWORD value) {
  const std::string what = key.name() + " " + ValueName(name) + " = " + std::to_string(value);
  if (!KeyIsOpen(key, what)) return;
  CountFailure(RegSetValueExA(key.handle(), name, 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&value), sizeof value),
               what);
}

void RegistryLayer::SetSubkeyDefault(const RegistryKey& key, const char* path, const char* text) {
  const std::string what = StringWrite(key.name() + "\\" + path, nullptr, text);
  // Written from the hive, this value would have been tried whatever became
  // of its parent: noted as refused with the parent's error.
  if (!key) return CountFailure(key.error(), what);
  // The size is ignored: RegSetValueA stores the text with its NUL.
  CountFailure(RegSetValueA(key.handle(), path, REG_SZ, text, StringSize(text)), what);
}

void RegistryLayer::SetDefaultValue(HKEY hive, const char* path, const char* text) {
  CountFailure(RegSetValueA(hive, path, REG_SZ, text, StringSize(text)),
               StringWrite(KeyPath(hive, path), nullptr, text));
}

void RegistryLayer::DeleteKey(HKEY hive, const char* path) {
  CountFailure(RegDeleteKeyA(hive, path), "delete " + KeyPath(hive, path), true);
}

void RegistryLayer::DeleteSubkey(const RegistryKey& parent, const char* path) {
  const std::string what = "delete " + parent.name() + "\\" + path;
  CountFailure(parent ? RegDeleteKeyA(parent.handle(), path) : parent.error(), what, true);
}

void RegistryLayer::CloseKey(HKEY handle) { RegCloseKey(handle); }

RegistryLayer& SystemRegistry() {
  static RegistryLayer layer;
  return layer;
}
