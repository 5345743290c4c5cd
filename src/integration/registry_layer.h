// The registry operations of the system integration, one for one with the
// platform calls they stand for, so that the order of the writes reads
// plainly in the code and a test can watch it. Each key is held by a
// RegistryKey, which closes it through the layer; all values of a key are
// set through its one handle. Results are never reported to the user: a
// failed write leaves its value missing, and the layer counts it so that a
// silent run can end with an honest exit code. The run log gets every value
// written and every operation refused, with key, value and the Windows error.
#pragma once

#include <windows.h>

#include <string>

class RegistryLayer;

// What a key that cannot be created or opened means for the run log and the
// count of failed writes.
enum class KeyRefusal {
  // Noted once, as the key's own refusal; its named values are not tried.
  kOnce,
  // Not noted for the key: every value meant for it is noted as refused, as
  // if each had been written from the hive on its own.
  kPerValue,
  // Not noted at all: the caller goes another way.
  kUnnoted,
};

// One open key, owned: closed through its layer when it goes. Empty when
// the key could not be created or opened; it then keeps the error and how
// that refusal is noted, so that the values meant for it are noted rightly.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() { Close(); }
  RegistryKey(RegistryKey&& other) noexcept { *this = std::move(other); }
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  explicit operator bool() const { return handle_ != nullptr; }
  HKEY handle() const { return handle_; }
  // "HKLM\SOFTWARE\Pellumara": the hive and the key's whole path.
  const std::string& name() const { return name_; }
  LONG error() const { return error_; }
  KeyRefusal refusal() const { return refusal_; }

 private:
  friend class RegistryLayer;
  RegistryKey(RegistryLayer* layer, HKEY handle, std::string name, LONG error, KeyRefusal refusal)
      : layer_(layer), handle_(handle), name_(std::move(name)), error_(error), refusal_(refusal) {}
  void Close();

  RegistryLayer* layer_ = nullptr;
  HKEY handle_ = nullptr;
  std::string name_;
  LONG error_ = ERROR_SUCCESS;
  KeyRefusal refusal_ = KeyRefusal::kOnce;
};

class RegistryLayer {
 public:
  virtual ~RegistryLayer() = default;

  // RegCreateKeyExA: opens the key, creating it and its missing parents, with
  // the rights to set values and create subkeys (or with access).
  virtual RegistryKey CreateKey(HKEY hive, const char* path, KeyRefusal refusal,
                                REGSAM access = KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
  // The same relative to an open key; a parent that is not open refuses it
  // with the parent's error.
  virtual RegistryKey CreateSubkey(const RegistryKey& parent, const char* path, KeyRefusal refusal);
  // RegOpenKeyExA with the given rights; empty when the key is missing or
  // the rights are refused (noted once, a missing key not at all).
  virtual RegistryKey OpenKey(HKEY hive, const char* path, REGSAM access);
  // RegSetValueExA with REG_SZ, the size counting the terminating NUL; a
  // null or empty name is the key's default (unnamed) value.
  virtual void SetString(const RegistryKey& key, const char* name, const char* text);
  // RegSetValueExA with REG_DWORD.
  virtual void SetDword(const RegistryKey& key, const char* name, DWORD value);
  // RegSetValueA: creates path below key (and its missing parents) and sets
  // its default value to text.
  virtual void SetSubkeyDefault(const RegistryKey& key, const char* path, const char* text);
  // RegSetValueA from the hive.
  virtual void SetDefaultValue(HKEY hive, const char* path, const char* text);
  // RegDeleteKeyA of a key without subkeys; a missing key is no error.
  virtual void DeleteKey(HKEY hive, const char* path);
  virtual void DeleteSubkey(const RegistryKey& parent, const char* path);

  // The operations that failed although they should have succeeded, since
  // the layer was made. A key that is not there is no failure of an open or
  // a delete: the integration opens a key only where one is kept already
  // and deletes what an earlier installation may have left.
  int failed_writes() const { return failed_writes_; }

 protected:
  friend class RegistryKey;
  // RegCloseKey, called by the key that owns handle.
  virtual void CloseKey(HKEY handle);

  // Counts result as failed unless it is ERROR_SUCCESS or, with
  // missing_is_fine, ERROR_FILE_NOT_FOUND; a value written and an operation
  // refused go to the run log, what names the key and value.
  void CountFailure(LONG result, const std::string& what, bool missing_is_fine = false);
  // The same, but only a refusal goes to the run log (opening a key is no
  // value written).
  void CountRefusal(LONG result, const std::string& what, bool missing_is_fine = false);
  // The key of a create or open that returned result.
  RegistryKey Held(HKEY handle, std::string name, LONG result, KeyRefusal refusal);
  // Notes a value meant for key, which is not open, as refused (or not at
  // all where the key's own refusal was noted); false then.
  bool KeyIsOpen(const RegistryKey& key, const std::string& what);

 private:
  int failed_writes_ = 0;
};

// "HKLM", "HKCU", "HKCR"
std::string HiveName(HKEY hive);

// The layer that talks to the real registry.
RegistryLayer& SystemRegistry();
