#include "files/folder_protection.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <string>
#include <utility>
#include <vector>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "common/desktop_start.h"
#include "common/run_log.h"
#include "files/file_identity.h"
#include "files/held_folders.h"
#include "files/protection_walk.h"
#include "rules/folder_chain_rules.h"

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

bool Build(const char* sddl, ScopedLocalMemory* descriptor) {
  PSECURITY_DESCRIPTOR built = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &built,
                                                            nullptr)) {
    return false;
  }
  descriptor->Reset(built);
  return true;
}

// Opens the target into held, to give it its permissions: through the
// judged folder's own handle when there is one, else at path (without a
// trailing backslash) itself. The contents are listed through this very
// folder. A target that is itself a link or junction (Windows opens it as
// such; Wine follows it) lists nothing of what it leads to: that is
// refused, not reported done. So is one whose control cannot be read, and
// one that others may re-permission or take over (result's
// others_control). False then, noted in the run log.
// True with held empty when it cannot be opened: its error is still the
// last one for the caller to note.
bool OpenTargetToProtect(const std::string& folder, const std::string& path,
                         const ProtectionWalk& walk, const ScopedHandle* judged,
                         ScopedHandle* held, FolderProtectionResult* result) {
  if (judged != nullptr) {
    // The folder the check judged, through its own handle: no path is
    // resolved, so no other folder can be met.
    *held = ReopenHeldFolder(*judged, READ_CONTROL | WRITE_DAC);
    if (!*held) return true;
  } else {
    *held = ScopedHandle(CreateFileA(path.c_str(), READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                     nullptr));
    if (!*held) return true;
    DWORD attributes = 0;
    if (!FileAttributesOf(held->Get(), &attributes) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      TheRunLog().Note("cannot protect the contents of " + folder +
                       ": it is a link, or what it is cannot be read");
      return false;
    }
  }
  FolderSecurity target;
  walk.reader.ReadItem(held->Get(), path, &target);
  if (!target.read) return false;
  if (OthersMayRepermission(target, walk.user)) {
    TheRunLog().Note("refused: others may change the permissions of " + path + " or take it over");
    result->others_control = path;
    return false;
  }
  return true;
}

}  // namespace

FolderProtectionResult ProtectExistingFolder(const std::string& folder,
                                             FolderSecurityReader& reader,
                                             const std::vector<std::string>& payload_names,
                                             const ScopedHandle* judged) {
  FolderProtectionResult result;
  ProtectionWalk walk{{}, reader, reader.RunningUser(), payload_names, {}, {}, {}};
  if (!Build(kProtectedFolderSddl, &walk.descriptors.folder) ||
      !Build(kInheritedFolderSddl, &walk.descriptors.subfolder)) {
    TheRunLog().NoteFailure("cannot build the protected permissions", GetLastError());
    return result;
  }
  std::string path = folder;
  if (path.size() > 3 && CodePageCharacters::Of(SystemAnsiCodePage()).EndsWith(path, '\\')) {
    path.pop_back();
  }
  ScopedHandle held;
  if (!OpenTargetToProtect(folder, path, walk, judged, &held, &result)) return result;
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
  walk.target.root = &listed;
  walk.target.root_shown = path + "\\";
  ScopedHandle walked = ReopenHeldFolder(listed, FILE_LIST_DIRECTORY);
  result.protected_all = walked && ProtectContents(std::move(walked), path + "\\", walk);
  result.others_control = walk.others_control;
  result.refused_item = walk.refused_item;
  result.quarantined = std::move(walk.target.quarantined);
  TheRunLog().Note(std::string(result.protected_all
                                   ? "target folder protected, its contents too: "
                                   : "target folder protected, but not all of its contents: ") +
                   kProtectedFolderSddl);
  return result;
}
