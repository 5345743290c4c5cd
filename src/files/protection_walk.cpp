// The walk over a protected target's contents: every item judged through
// a handle to itself, each folder listed through its own.
#include "files/protection_walk.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "common/ansi_path.h"
#include "common/run_log.h"
#include "files/folder_security_reader.h"
#include "files/planted_items.h"
#include "rules/payload_rules.h"

namespace {

// How deep the walk goes below the target: the viewer's own tree is far
// shallower, and a tree deeper than this refuses the folder instead of
// being walked (the walk keeps one open handle per pending folder).
constexpr int kMaxWalkDepth = 32;

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
                            const std::string& shown, ProtectionWalk& walk) {
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

// The listed item, opened relative to its folder by its UTF-16 name, and
// what it is. Empty, noted in the run log, when it cannot be opened or is
// not what its folder lists.
ScopedHandle OpenListedItem(const ScopedHandle& folder, const HeldItem& listed,
                            const std::string& shown, BY_HANDLE_FILE_INFORMATION* information) {
  // A folder's handle holds no delete access, which a folder that is some
  // program's current directory would refuse.
  const bool listed_folder = (listed.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const DWORD access = FILE_READ_ATTRIBUTES | READ_CONTROL | WRITE_DAC | WRITE_OWNER |
                       (listed_folder ? FILE_LIST_DIRECTORY : DELETE);
  ScopedHandle item = OpenInFolder(folder, listed.name, access, FILE_OPEN_FOR_BACKUP_INTENT);
  if (!item || !GetFileInformationByHandle(item.Get(), information)) {
    TheRunLog().NoteFailure("cannot protect " + shown, GetLastError());
    return ScopedHandle();
  }
  const DWORD attributes = information->dwFileAttributes;
  // Wine follows a link despite FILE_OPEN_REPARSE_POINT: the handle then is
  // the link's target, which must be neither changed nor deleted. The
  // listing still names the link for what it is.
  if (((listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
       !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) ||
      ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != listed_folder) {
    TheRunLog().Note("cannot protect " + shown + ": it is not what its folder lists");
    return ScopedHandle();
  }
  return item;
}

// One item of the held folder, opened relative to it by its UTF-16 name
// (relative_folder: the folder's path below the target, "" or ending in
// "/"): a link is removed, another account's item moved aside; a folder of
// the payload gets the inherited permissions and its handle goes to
// subfolder for its contents; a file of the payload stays as it is for the
// unpacking to replace. shown_folder is the folder's path for the run log.
bool ProtectItem(const ScopedHandle& folder, const std::string& shown_folder,
                 const std::string& relative_folder, const HeldItem& listed,
                 ProtectionWalk& walk, ScopedHandle* subfolder) {
  // Only for the log: a name the code page cannot hold may read there as
  // another, and it is never opened by what it reads as.
  const std::string shown = shown_folder + TextOf(listed.name, CP_ACP);
  BY_HANDLE_FILE_INFORMATION information;
  ScopedHandle item = OpenListedItem(folder, listed, shown, &information);
  if (!item) return false;
  const DWORD attributes = information.dwFileAttributes;
  const bool is_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
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
                                 AccountName(security.owner_sid), walk.target);
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

}  // namespace

bool SetOwnDescriptor(HANDLE item, SECURITY_INFORMATION what, const ScopedLocalMemory& descriptor) {
  return SetKernelObjectSecurity(item, what, descriptor.Get()) != FALSE;
}

bool ProtectContents(ScopedHandle target, const std::string& shown, ProtectionWalk& walk) {
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
