// What a killed run left in the target folder: a commit it had begun is
// finished, its own fresh and set-aside files are removed.
#include "engine/unpacking/earlier_runs.h"

#include <windows.h>

#include <string>
#include <vector>

#include "common/ansi_path.h"
#include "common/scoped_win.h"
#include "engine/unpacking/entry_commit.h"
#include "engine/unpacking/restart_list.h"
#include "files/checked_files.h"
#include "files/entry_folders.h"
#include "files/held_folders.h"
#include "rules/upgrade_rules.h"

namespace {

// A journal is a line per entry; more than this was not written by a setup.
constexpr DWORD kJournalSizeLimit = 4u << 20;

bool IsPlainFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

std::string ReadJournal(const std::string& journal) {
  if (!IsPlainFile(GetFileAttributesA(journal.c_str()))) return {};
  ScopedHandle file(CreateFileA(journal.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return {};
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > kJournalSizeLimit) return {};
  std::string text(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!text.empty() && (!ReadFile(file.Get(), &text[0], static_cast<DWORD>(text.size()), &read,
                                  nullptr) ||
                        read != text.size())) {
    return {};
  }
  return text;
}

// Every line whose staged file is still there was not yet put in place.
void CompleteJournal(const std::string& target) {
  const std::string journal = target + kJournalName;
  std::string text = ReadJournal(journal);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string staged, name;
    std::vector<ScopedHandle> held;
    if (ParseJournalLine(std::string_view(text).substr(start, end - start), &staged, &name) &&
        IsPlainFile(GetFileAttributesA((target + staged).c_str())) &&
        MakeFolderLevelsReal(target, name.c_str()) &&
        HoldRealFolderLevels(target, name.substr(0, name.find_last_of("\\/") + 1), held)) {
      CommitStep step = CommitEntry(target + staged, target + name);
      if (!step.aside.empty()) RemoveAside(step.aside);
    }
    start = end + 1;
  }
  DeleteRealFile(journal);
}

// Deletes one fresh file in the held folder, relative to its handle; a
// loaded library or a running program, which can be renamed but not
// deleted, goes when Windows restarts.
void RemoveFreshFileIn(const ScopedHandle& folder, const std::string& folder_path,
                       const std::string& name) {
  if (DeleteRealFileIn(folder, name.c_str())) return;
  const DWORD error = GetLastError();
  // Nothing there, or no real file of the setup's: nothing to delete later.
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_CANT_ACCESS_FILE) return;
  MoveFileExA((folder_path + name).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// The setup's own files in one folder: staged files of a run killed before
// its commit and files set aside by a killed commit. A file that waits for
// the restart, to replace its name or to be deleted, stays.
void RemoveFreshFiles(const std::string& target, const std::string& relative_folder,
                      const RestartList& restart_list) {
  // Held, so that no level can become a link to another folder meanwhile;
  // the target itself is held as the folder chain reached it.
  std::vector<ScopedHandle> held;
  held.emplace_back(CreateFileA(target.c_str(), FILE_LIST_DIRECTORY,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!held.back() || !HoldRealFolderLevels(target, relative_folder, held)) return;
  const std::string folder = target + relative_folder;
  std::vector<HeldItem> items;
  if (!ListHeldFolder(held.back(), &items, kFreshNamePattern)) return;
  for (const HeldItem& item : items) {
    // A name the code page cannot hold exactly is none of the setup's.
    std::string name;
    if (ExactAnsiOf(item.name, &name) && IsFreshFileName(name) && IsPlainFile(item.attributes) &&
        !restart_list.Names(folder + name)) {
      RemoveFreshFileIn(held.back(), folder, name);
    }
  }
}

}  // namespace

void FinishEarlierRun(const std::string& target, const std::vector<std::string>& folders) {
  if (GetFileAttributesA((target + kJournalName).c_str()) != INVALID_FILE_ATTRIBUTES) {
    CompleteJournal(target);
  }
  const RestartList restart_list = RestartList::Read();
  for (const std::string& folder : folders) RemoveFreshFiles(target, folder, restart_list);
}
