// What someone else put into a target folder that others could write: a
// link goes as a name, another account's item is moved aside within the
// target, and nothing of either is followed, opened or deleted.
#include "files/planted_items.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "common/ansi_path.h"
#include "common/fresh_names.h"
#include "common/run_log.h"
#include "files/checked_files.h"
#include "files/file_identity.h"

namespace {

// What a planted item is renamed to inside the target: a fixed prefix that
// no file of the viewer's and no fresh name of the unpacking takes, and a
// random part nobody can foresee.
constexpr char kQuarantinePrefix[] = "pmarag-quarantine-";

#ifdef PELLUMARA_TEST_SEAMS
QuarantineHook g_before_quarantine = nullptr;
#endif

// Renames what item stands for to a fresh quarantine name in the target
// folder; that name in quarantine. False, with the Windows error.
bool MoveToQuarantine(const ScopedHandle& item, const QuarantineFolder& target,
                      std::string* quarantine, DWORD* error) {
  auto rename = [&](unsigned number) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%08x", kQuarantinePrefix, number);
    if (RenameIntoFolder(item, *target.root, WideOf(name, CP_ACP), error)) {
      *quarantine = target.root_shown + name;
      return FreshTry::kMade;
    }
    return *error == ERROR_ALREADY_EXISTS ? FreshTry::kAgain : FreshTry::kFailed;
  };
  return TryFreshNames(rename) == FreshTry::kMade;
}

}  // namespace

#ifdef PELLUMARA_TEST_SEAMS
void SetBeforeQuarantineHookForTests(QuarantineHook hook) { g_before_quarantine = hook; }
#endif

bool QuarantinePlantedItem(ScopedHandle item, const BY_HANDLE_FILE_INFORMATION& judged,
                           const ScopedHandle& folder, const HeldItem& listed,
                           const std::string& shown, const std::string& owner,
                           QuarantineFolder& target) {
  item.Close();
#ifdef PELLUMARA_TEST_SEAMS
  if (g_before_quarantine != nullptr) g_before_quarantine(shown);
#endif
  ScopedHandle now = OpenInFolder(folder, listed.name, DELETE | FILE_READ_ATTRIBUTES,
                                  FILE_OPEN_FOR_BACKUP_INTENT);
  BY_HANDLE_FILE_INFORMATION information;
  const bool same = now && GetFileInformationByHandle(now.Get(), &information) &&
                    SameFile(judged, information) &&
                    !(information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
  std::string quarantine;
  DWORD error = ERROR_CANT_ACCESS_FILE;
  if (!same || !MoveToQuarantine(now, target, &quarantine, &error)) {
    TheRunLog().NoteFailure("cannot move aside " + shown + ", which " + owner + " put there",
                            error);
    return false;
  }
  TheRunLog().Note("moved aside in the target folder, put there by " + owner + ": " + shown +
                   " to " + quarantine);
  target.quarantined.push_back({shown, owner, quarantine});
  return true;
}

bool RemoveLinkName(ScopedHandle item, const ScopedHandle& folder, const HeldItem& listed,
                    const std::string& shown, bool is_folder) {
  bool removed = false;
  DWORD error = ERROR_SUCCESS;
  if (is_folder) {
    item.Close();
    ScopedHandle link =
        OpenInFolder(folder, listed.name, DELETE | FILE_READ_ATTRIBUTES, FILE_DIRECTORY_FILE);
    DWORD attributes = 0;
    if (!link || !FileAttributesOf(link.Get(), &attributes)) {
      error = GetLastError();
    } else if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      error = ERROR_CANT_ACCESS_FILE;
    } else {
      removed = DeleteWhenClosed(link);
      error = GetLastError();
    }
  } else {
    removed = DeleteWhenClosed(item);
    error = GetLastError();
  }
  if (!removed) {
    TheRunLog().NoteFailure("cannot remove the link " + shown, error);
    return false;
  }
  TheRunLog().Note("link removed from the target folder: " + shown);
  return true;
}

// The listed name in ASCII, "" when it holds any other character: entry
