#include "engine/restart_list.h"

#include <windows.h>

#include "common/ansi_path.h"
#include "common/scoped_win.h"

namespace {

constexpr char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";

// The list is kept in UTF-16 and may name files of any program in any
// script: it is read and written through the wide functions, so that a
// round trip through the ANSI code page never garbles another's entry.

// A path of the setup's (ANSI, maybe relative) as the list compares it:
// full, in UTF-8.
std::string ListPath(const std::string& path) {
  char full[MAX_PATH];
  DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (length == 0 || length >= sizeof full) return {};
  return TextOf(WideOf(full, CP_ACP), CP_UTF8);
}

}  // namespace

RestartList RestartList::Read() {
  RestartList list;
  ScopedKey key;
  HKEY opened = nullptr;
  LONG result =
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, &opened);
  if (result != ERROR_SUCCESS) return list;
  key.Reset(opened);
  DWORD type = 0;
  DWORD size = 0;
  result = RegQueryValueExW(key.Get(), kPendingValue, nullptr, &type, nullptr, &size);
  if (result == ERROR_FILE_NOT_FOUND) {
    list.readable_ = true;
    return list;
  }
  if (result != ERROR_SUCCESS || type != REG_MULTI_SZ) return list;
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  result = RegQueryValueExW(key.Get(), kPendingValue, nullptr, &type,
                            reinterpret_cast<BYTE*>(&data[0]), &size);
  if (result != ERROR_SUCCESS || type != REG_MULTI_SZ) return list;
  data.resize(size / sizeof(wchar_t));
  list.readable_ = ParsePendingRenames(TextOf(data, CP_UTF8), &list.pairs_);
  return list;
}

bool RestartList::Names(const std::string& path) const {
  const std::string full = ListPath(path);
  return !full.empty() && IsPendingSource(pairs_, full);
}

void RestartList::TakeOverReplacementsOf(const std::string& name, const std::string& own) {
  if (!readable_ || pairs_.empty()) return;
  const std::string target = ListPath(name);
  if (target.empty()) return;
  std::vector<std::string> earlier = EarlierStagedReplacements(pairs_, target, ListPath(own));
  if (earlier.empty()) return;
  RemovePendingRenamesOf(&pairs_, earlier);
  changed_ = true;
  // Gone also where the list cannot be written back: a restart then finds
  // nothing to move, and the name keeps this run's file.
  for (const std::string& source : earlier) DeleteFileW(WideOf(source, CP_UTF8).c_str());
}

bool RestartList::Save() {
  if (!changed_) return true;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &opened) !=
      ERROR_SUCCESS) {
    return false;
  }
  ScopedKey key(opened);
  changed_ = false;
  if (pairs_.empty()) return RegDeleteValueW(key.Get(), kPendingValue) == ERROR_SUCCESS;
  const std::wstring data = WideOf(FormatPendingRenames(pairs_), CP_UTF8);
  return RegSetValueExW(key.Get(), kPendingValue, 0, REG_MULTI_SZ,
                        reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}
