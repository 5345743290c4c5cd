#include "engine/unpacking/restart_list.h"

#include <windows.h>

#include "common/ansi_path.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "files/checked_files.h"
#include "files/entry_folders.h"
#include "rules/payload_rules.h"

namespace {

constexpr char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingValue[] = L"PendingFileRenameOperations";

// The list may name files of any program in any script: it is read through
// the wide functions and compared in UTF-8, never through the ANSI code
// page.

// A path of the setup's (ANSI) as the list compares it: full and
// normalised, in UTF-8.
std::string ListPath(const std::string& path) {
  std::string full;
  if (!FullAnsiPathOf(path, &full) || full.size() >= MAX_PATH) return {};
  return TextOf(WideOf(full, CP_ACP), CP_UTF8);
}

}  // namespace

RestartList RestartList::Read() {
  RestartList list;
  auto unreadable = [&list](LONG error) {
    list.pairs_.clear();
    list.readable_ = false;
    list.read_error_ = static_cast<unsigned long>(error);
    return list;
  };
  ScopedKey key;
  HKEY opened = nullptr;
  LONG result =
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, &opened);
  if (result == ERROR_FILE_NOT_FOUND) return list;
  if (result != ERROR_SUCCESS) return unreadable(result);
  key.Reset(opened);
  DWORD type = 0;
  DWORD size = 0;
  result = RegQueryValueExW(key.Get(), kPendingValue, nullptr, &type, nullptr, &size);
  if (result == ERROR_FILE_NOT_FOUND) return list;
  if (result != ERROR_SUCCESS) return unreadable(result);
  if (type != REG_MULTI_SZ) return unreadable(ERROR_INVALID_DATA);
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  result = RegQueryValueExW(key.Get(), kPendingValue, nullptr, &type,
                            reinterpret_cast<BYTE*>(&data[0]), &size);
  // Gone meanwhile: Windows never deletes it while running, another
  // program did; what stood there before is unknown.
  if (result != ERROR_SUCCESS) return unreadable(result);
  if (type != REG_MULTI_SZ) return unreadable(ERROR_INVALID_DATA);
  data.resize(size / sizeof(wchar_t));
  if (!ParsePendingRenames(TextOf(data, CP_UTF8), &list.pairs_)) {
    return unreadable(ERROR_INVALID_DATA);
  }
  return list;
}

bool RestartList::Names(const std::string& path) const {
  if (!readable_) return true;
  const std::string full = ListPath(path);
  return !full.empty() && IsPendingSource(pairs_, full);
}

bool RestartList::TakeOverReplacementsOf(const std::string& root, const std::string& name,
                                         const std::string& own) const {
  if (pairs_.empty()) return true;
  const std::string target = ListPath(root + name);
  if (target.empty()) return true;
  const std::vector<std::string> earlier =
      EarlierStagedReplacements(pairs_, target, ListPath(root + own));
  if (earlier.empty()) return true;
  // Each staged file lies in name's folder under a fresh name of plain
  // ASCII; the folder's levels are held, so that the deletion reaches into
  // this very folder.
  const std::string folder = name.substr(0, name.find_last_of("\\/") + 1);
  std::vector<ScopedHandle> held;
  const bool folder_held = HoldRealFolderLevels(root, folder, held);
  bool all_taken_over = true;
  for (const std::string& source : earlier) {
    const std::string staged = root + folder + std::string(EntryNamePart(source));
    // An earlier run may have taken the pair over already: the pair stays
    // in the list, its file is gone.
    if (folder_held && DeleteRealFile(staged)) continue;
    const DWORD error = folder_held ? GetLastError() : ERROR_PATH_NOT_FOUND;
    if (error == ERROR_FILE_NOT_FOUND) continue;
    TheRunLog().NoteFailure("earlier replacement waiting for the restart not removed: " + staged,
                            error);
    all_taken_over = false;
  }
  return all_taken_over;
}
