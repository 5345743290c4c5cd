// The registry operations of the system integration, one for one with the
// platform calls they stand for, so that the order of the writes reads
// plainly in the code and a test can watch it. Results are never reported
// to the user: a failed write leaves its value missing, and the layer counts
// it so that a silent run can end with an honest exit code. The run log gets
// every value written and every operation refused, with key, value and the
// Windows error.
#pragma once

#include <windows.h>

#include <map>
#include <string>

class RegistryLayer {
 public:
  virtual ~RegistryLayer() = default;

  // RegSetValueA: creates the key and its missing parents, sets the default
  // value to text (REG_SZ).
  virtual void SetDefaultValue(HKEY hive, const char* path, const char* text);
  // RegOpenKeyExA with the given rights; nullptr when the key is missing or
  // the rights are refused.
  virtual HKEY OpenKey(HKEY hive, const char* path, REGSAM access);
  // RegCreateKeyA: opens the key, creating it if missing; nullptr on failure.
  virtual HKEY CreateKey(HKEY hive, const char* path);
  // RegSetValueExA with REG_SZ; the size counts the terminating NUL.
  virtual void SetString(HKEY key, const char* name, const char* text);
  // RegSetValueExA with REG_DWORD.
  virtual void SetDword(HKEY key, const char* name, DWORD value);
  // RegDeleteKeyA of a key without subkeys; a missing key is no error.
  virtual void DeleteKey(HKEY hive, const char* path);
  // RegCloseKey
  virtual void CloseKey(HKEY key);

  // The operations that failed although they should have succeeded, since
  // the layer was made. A key that is not there is no failure of an open or
  // a delete: the integration opens a key only where one is kept already
  // and deletes what an earlier installation may have left.
  int failed_writes() const { return failed_writes_; }

 protected:
  // Counts result as failed unless it is ERROR_SUCCESS or, with
  // missing_is_fine, ERROR_FILE_NOT_FOUND; a value written and an operation
  // refused go to the run log, what names the key and value.
  void CountFailure(LONG result, const std::string& what, bool missing_is_fine = false);
  // The same, but only a refusal goes to the run log (opening a key is no
  // value written).
  void CountRefusal(LONG result, const std::string& what, bool missing_is_fine = false);

 private:
  // "HKLM\<path>" for a key handle this layer opened or created.
  std::string KeyName(HKEY key) const;

  int failed_writes_ = 0;
  std::map<HKEY, std::string> key_names_;
};

// The layer that talks to the real registry.
RegistryLayer& SystemRegistry();
