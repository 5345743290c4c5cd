#include "engine/folder_protection.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include "common/ansi_path.h"
#include "common/desktop_start.h"
#include "common/run_log.h"
#include "rules/folder_chain_rules.h"

namespace {

bool IsInProgramFiles(const char* folder) {
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86}) {
    wchar_t wide[MAX_PATH] = L"";
    std::string program_files;
    if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, wide)) &&
        wide[0] != L'\0' && AnsiPathOf(wide, &program_files) &&
        IsInFolder(folder, program_files.c_str())) {
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
