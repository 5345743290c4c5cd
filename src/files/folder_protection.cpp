#include "files/folder_protection.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "common/desktop_start.h"
#include "common/fresh_names.h"
#include "common/run_log.h"
#include "files/checked_files.h"
#include "files/file_identity.h"
#include "files/held_folders.h"
#include "rules/folder_chain_rules.h"
#include "rules/payload_rules.h"

namespace {

bool IsInProgramFiles(const char* folder) {
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86}) {
    wchar_t wide[MAX_PATH] = L"";
    std::string program_files;
    if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, wide)) &&
        wide[0] != L'\0' && AnsiPathOf(wide, &program_files) &&
        IsInFolder(folder, program_files, CodePageCharacters::Of(SystemAnsiCodePage()))) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool FolderProtection::Build(const char* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    return false;
  }
  descriptor_.Reset(descriptor);
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = descriptor;
  attributes_.bInheritHandle = FALSE;
  return true;
}

FolderProtection FolderProtection::For(const char* folder) {
  FolderProtection protection;
  if (!RunsElevated() || IsInProgramFiles(folder)) return protection;
  protection.applies_ = true;
  if (!protection.Build(kProtectedFolderSddl)) {
    TheRunLog().NoteFailure("cannot build the new folder's permissions", GetLastError());
  }
  return protection;
}

FolderProtection FolderProtection::ForPrivateFolder() {
  FolderProtection protection;
  protection.Build(kPrivateFolderSddl);
  return protection;
}

namespace {

// What the protected folder's payload folders get: owned by
// Administrators, and what the folder hands down, as Windows' own
// inheritance would write it. Files get nothing: they are replaced.
constexpr char kInheritedFolderSddl[] =
    "O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)(A;OICIIOID;GA;;;CO)"
    "(A;OICIID;0x1200a9;;;S-1-15-2-1)(A;OICIID;0x1200a9;;;S-1-15-2-2)";

struct Descriptors {
  ScopedLocalMemory folder;
  ScopedLocalMemory subfolder;
};

bool Build(const char* sddl, ScopedLocalMemory* descriptor) {
  PSECURITY_DESCRIPTOR built = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &built,
                                                            nullptr)) {
    return false;
  }
  descriptor->Reset(built);
  return true;
}

// Sets exactly this item's descriptor, without the automatic propagation
// of SetSecurityInfo, which would walk the tree by names.
bool SetOwnDescriptor(HANDLE item, SECURITY_INFORMATION what, const ScopedLocalMemory& descriptor) {
  return SetKernelObjectSecurity(item, what, descriptor.Get()) != FALSE;
}

// How deep the walk goes below the target: the viewer's own tree is far
// shallower, and a tree deeper than this refuses the folder instead of
// being walked (the walk keeps one open handle per pending folder).
constexpr int kMaxWalkDepth = 32;

// What a planted item is renamed to inside the target: a fixed prefix that
// no file of the viewer's and no fresh name of the unpacking takes, and a
// random part nobody can foresee.
constexpr char kQuarantinePrefix[] = "pmarag-quarantine-";

#ifdef PELLUMARA_TEST_SEAMS
QuarantineHook g_before_quarantine = nullptr;
#endif

// What the walk over the target's contents carries along.
struct Walk {
  Descriptors descriptors;
  FolderSecurityReader& reader;
  std::string user;
  // The names of the payload's entries: in the target nothing else is kept.
  const std::vector<std::string>& payload_names;
  // The target folder, listed: where planted items are moved aside to.
  const ScopedHandle* root = nullptr;
  std::string root_shown;
  // The first item that others may re-permission or take over.
  std::string others_control;
  // The first item that refuses the folder: one the setup would keep, a
  // read-only file it would not replace, one deeper than kMaxWalkDepth.
  std::string refused_item;
  std::vector<QuarantinedItem> quarantined;
};

// Renames what item stands for to a fresh quarantine name in the target
// folder; that name in quarantine. False, with the error.
bool MoveToQuarantine(const ScopedHandle& item, Walk& walk, std::string* quarantine) {
  auto rename = [&](unsigned number) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%08x", kQuarantinePrefix, number);
    if (RenameIntoFolder(item, *walk.root, WideOf(name, CP_ACP))) {
      *quarantine = walk.root_shown + name;
      return FreshTry::kMade;
    }
    return GetLastError() == ERROR_ALREADY_EXISTS ? FreshTry::kAgain : FreshTry::kFailed;
  };
  return TryFreshNames(rename) == FreshTry::kMade;
}

// An item that neither a trusted account nor the running user owns: put
// there by someone who could write into the folder, a DLL the viewer would
// load, say. It is renamed as a whole to a quarantine name in the target,
// where the viewer loads nothing and which its owner can no longer change
// into anything the viewer loads; nothing of it is opened or deleted with
// the setup's rights. The walk's handle (without delete access for a folder,
// and without delete sharing) is closed first; the name is opened once more
// with delete access, and what it opens now must be the very item judged.
bool QuarantinePlantedItem(ScopedHandle item, const BY_HANDLE_FILE_INFORMATION& judged,
                           const ScopedHandle& folder, const HeldItem& listed,
                           const std::string& shown, const std::string& owner, Walk& walk) {
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
  if (!same || !MoveToQuarantine(now, walk, &quarantine)) {
    TheRunLog().NoteFailure("cannot move aside " + shown + ", which " + owner + " put there",
                            same ? GetLastError() : ERROR_CANT_ACCESS_FILE);
    return false;
  }
  TheRunLog().Note("moved aside in the target folder, put there by " + owner + ": " + shown +
                   " to " + quarantine);
  walk.quarantined.push_back({shown, owner, quarantine});
  return true;
}

// Removes a link, a junction or a second name of a file elsewhere that
// someone who could write into the folder put there: the name itself,
// never what it leads to. A file's handle deletes exactly that name. A
// folder's handle holds no delete access (see ProtectItem): the name is
// opened once more for deletion, relative to the held folder and without
// following a link, and only a link found there goes.
bool RemoveLinkName(ScopedHandle item, const ScopedHandle& folder, const HeldItem& listed,
                    const std::string& shown, bool is_folder) {
  bool removed = false;
  if (is_folder) {
    item.Close();
    ScopedHandle link =
        OpenInFolder(folder, listed.name, DELETE | FILE_READ_ATTRIBUTES, FILE_DIRECTORY_FILE);
    BY_HANDLE_FILE_INFORMATION information;
    if (link && GetFileInformationByHandle(link.Get(), &information)) {
      if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        removed = DeleteWhenClosed(link);
      } else {
        SetLastError(ERROR_CANT_ACCESS_FILE);
      }
    }
  } else {
    removed = DeleteWhenClosed(item);
  }
  if (!removed) {
    TheRunLog().NoteFailure("cannot remove the link " + shown, GetLastError());
    return false;
  }
  TheRunLog().Note("link removed from the target folder: " + shown);
  return true;
}

// The listed name in ASCII, "" when it holds any other character: entry
// names are ASCII, and a look-alike in the code page is another name.
std::string AsciiName(const std::wstring& name) {
  std::string ascii;
  for (wchar_t c : name) {
    if (c == L'\0' || c >= 0x80) return {};
    ascii += static_cast<char>(c);
  }
  return ascii;
}

// Whether the folder may hold a trusted account's item at relative: others
// could have written it, so only a name the unpacking replaces is kept
// until then, a file of the payload that is not read-only (the unpacking
// keeps a read-only one), or a folder that holds such names. Anything else
// refuses the folder.
bool MayStayForTheUnpacking(const std::string& relative, bool is_folder, DWORD attributes,
                            const std::string& shown, Walk& walk) {
  const PayloadNameKind kind =
      relative.empty() ? PayloadNameKind::kNone : PayloadNameOf(relative, walk.payload_names);
  const char* why = nullptr;
  if (kind != (is_folder ? PayloadNameKind::kFolder : PayloadNameKind::kFile)) {
    why = " is none of the setup's files";
  } else if (attributes & FILE_ATTRIBUTE_READONLY) {
    why = " is read-only and would be kept";
  }
  if (why == nullptr) return true;
  TheRunLog().Note("refused: others could write into the target folder, and " + shown + why);
  if (walk.refused_item.empty()) walk.refused_item = shown;
  return false;
}

// One item of the held folder, opened relative to it by its UTF-16 name
// (relative_folder: the folder's path below the target, "" or ending in
// "/"): a link is removed, another account's item moved aside; a folder of
// the payload gets the inherited permissions and its handle goes to
// subfolder for its contents; a file of the payload stays as it is for the
// unpacking to replace. shown_folder is the folder's path for the run log.
bool ProtectItem(const ScopedHandle& folder, const std::string& shown_folder,
                 const std::string& relative_folder, const HeldItem& listed, Walk& walk,
                 ScopedHandle* subfolder) {
  // Only for the log: a name the code page cannot hold may read there as
  // another, and it is never opened by what it reads as.
  const std::string shown = shown_folder + TextOf(listed.name, CP_ACP);
  // A folder's handle holds no delete access, which a folder that is some
  // program's current directory would refuse.
  const bool listed_folder = (listed.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const DWORD access = FILE_READ_ATTRIBUTES | READ_CONTROL | WRITE_DAC | WRITE_OWNER |
                       (listed_folder ? FILE_LIST_DIRECTORY : DELETE);
  ScopedHandle item = OpenInFolder(folder, listed.name, access, FILE_OPEN_FOR_BACKUP_INTENT);
  BY_HANDLE_FILE_INFORMATION information;
  if (!item || !GetFileInformationByHandle(item.Get(), &information)) {
    TheRunLog().NoteFailure("cannot protect " + shown, GetLastError());
    return false;
  }
  const DWORD attributes = information.dwFileAttributes;
  const bool is_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // Wine follows a link despite FILE_OPEN_REPARSE_POINT: the handle then is
  // the link's target, which must be neither changed nor deleted. The
  // listing still names the link for what it is.
  if (((listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
       !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) ||
      is_folder != listed_folder) {
    TheRunLog().Note("cannot protect " + shown + ": it is not what its folder lists");
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || (!is_folder && information.nNumberOfLinks > 1)) {
    return RemoveLinkName(std::move(item), folder, listed, shown, is_folder);
  }
  FolderSecurity security;
  walk.reader.ReadItem(item.Get(), shown, &security);
  if (!security.read) {
    TheRunLog().Note("cannot protect " + shown + ": who controls it cannot be read");
    return false;
  }
  // A handle opened with such a right keeps it whatever is set now.
  if (OthersMayRepermission(security, walk.user)) {
    TheRunLog().Note("refused: others may change the permissions of " + shown + " or take it over");
    if (walk.others_control.empty()) walk.others_control = shown;
    return false;
  }
  if (!IsTrustedOwner(security.owner_sid, walk.user)) {
    return QuarantinePlantedItem(std::move(item), information, folder, listed, shown,
                                 AccountName(security.owner_sid), walk);
  }
  const std::string ascii = AsciiName(listed.name);
  if (!MayStayForTheUnpacking(ascii.empty() ? ascii : relative_folder + ascii, is_folder,
                              attributes, shown, walk)) {
    return false;
  }
  // What a user could have written into a file is not given to everyone to
  // read: the unpacking replaces it.
  if (!is_folder) return true;
  const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  if (!SetOwnDescriptor(item.Get(), what, walk.descriptors.subfolder)) {
    TheRunLog().NoteFailure("cannot protect " + shown, GetLastError());
    return false;
  }
  // The handle keeps the folder from being renamed or swapped while its
  // contents are listed and opened through it.
  *subfolder = std::move(item);
  return true;
}

// A folder whose contents are still to be walked, held meanwhile.
struct PendingFolder {
  ScopedHandle handle;
  std::string shown;     // ending in a backslash
  std::string relative;  // below the target: "" or ending in "/"
  int depth = 0;
};

// The target's contents, folder by folder, each listed through its handle:
// no listed name is ever made into a path. Iterative, so that no tree can
// exhaust the stack; a folder deeper than kMaxWalkDepth is not walked and
// fails the walk.
bool ProtectContents(ScopedHandle target, const std::string& shown, Walk& walk) {
  std::vector<PendingFolder> pending;
  pending.push_back({std::move(target), shown, "", 0});
  bool all = true;
  while (!pending.empty()) {
    PendingFolder folder = std::move(pending.back());
    pending.pop_back();
    std::vector<HeldItem> items;
    if (!ListHeldFolder(folder.handle, &items)) {
      TheRunLog().NoteFailure("cannot list " + folder.shown, GetLastError());
      all = false;
      continue;
    }
    for (const HeldItem& item : items) {
      ScopedHandle subfolder;
      if (!ProtectItem(folder.handle, folder.shown, folder.relative, item, walk, &subfolder)) {
        all = false;
        continue;
      }
      if (!subfolder) continue;
      const std::string shown_subfolder = folder.shown + TextOf(item.name, CP_ACP);
      if (folder.depth + 1 >= kMaxWalkDepth) {
        TheRunLog().Note("refused: " + shown_subfolder + " lies deeper than " +
                         std::to_string(kMaxWalkDepth) + " levels below the target folder");
        if (walk.refused_item.empty()) walk.refused_item = shown_subfolder;
        all = false;
        continue;
      }
      pending.push_back({std::move(subfolder), shown_subfolder + "\\",
                         folder.relative + AsciiName(item.name) + "/", folder.depth + 1});
    }
  }
  return all;
}

}  // namespace

#ifdef PELLUMARA_TEST_SEAMS
void SetBeforeQuarantineHookForTests(QuarantineHook hook) { g_before_quarantine = hook; }
#endif

FolderProtectionResult ProtectExistingFolder(const std::string& folder,
                                             FolderSecurityReader& reader,
                                             const std::vector<std::string>& payload_names,
                                             HANDLE judged) {
  FolderProtectionResult result;
  Walk walk{{}, reader, reader.RunningUser(), payload_names, nullptr, {}, {}, {}, {}};
  if (!Build(kProtectedFolderSddl, &walk.descriptors.folder) ||
      !Build(kInheritedFolderSddl, &walk.descriptors.subfolder)) {
    TheRunLog().NoteFailure("cannot build the protected permissions", GetLastError());
    return result;
  }
  std::string path = folder;
  if (path.size() > 3 && CodePageCharacters::Of(SystemAnsiCodePage()).EndsWith(path, '\\')) {
    path.pop_back();
  }
  ScopedHandle held(CreateFileA(path.c_str(), READ_CONTROL | WRITE_DAC,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr));
  // The contents are listed through this very folder. A target that is
  // itself a link or junction (Windows opens it as such; Wine follows it)
  // lists nothing of what it leads to: that is refused, not reported done.
  // So is a folder other than the one judged.
  BY_HANDLE_FILE_INFORMATION information;
  if (held && (!GetFileInformationByHandle(held.Get(), &information) ||
               (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
               (judged != nullptr && !SameObject(held.Get(), judged)))) {
    TheRunLog().Note("cannot protect the contents of " + folder +
                     ": it is a link, another folder than the one judged, or what it is cannot "
                     "be read");
    return result;
  }
  if (held) {
    FolderSecurity target;
    reader.ReadItem(held.Get(), path, &target);
    if (!target.read) return result;
    if (OthersMayRepermission(target, walk.user)) {
      TheRunLog().Note("refused: others may change the permissions of " + path +
                       " or take it over");
      result.others_control = path;
      return result;
    }
  }
  // The folder first: from then on nobody else may add to it.
  if (!held || !SetOwnDescriptor(held.Get(), DACL_SECURITY_INFORMATION, walk.descriptors.folder)) {
    TheRunLog().NoteFailure("cannot protect the target folder " + folder, GetLastError());
    return result;
  }
  // Listed through a handle opened from the held one once the folder's
  // permissions grant the listing, which its earlier ones may have denied
  // even to the owner.
  ScopedHandle listed = ReopenHeldFolder(held, FILE_LIST_DIRECTORY);
  if (!listed) {
    TheRunLog().NoteFailure("cannot list " + folder, GetLastError());
    return result;
  }
  walk.root = &listed;
  walk.root_shown = path + "\\";
  ScopedHandle walked = ReopenHeldFolder(listed, FILE_LIST_DIRECTORY);
  result.protected_all = walked && ProtectContents(std::move(walked), path + "\\", walk);
  result.others_control = walk.others_control;
  result.refused_item = walk.refused_item;
  result.quarantined = std::move(walk.quarantined);
  TheRunLog().Note(std::string(result.protected_all
                                   ? "target folder protected, its contents too: "
                                   : "target folder protected, but not all of its contents: ") +
                   kProtectedFolderSddl);
  return result;
}
