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

FolderProtection FolderProtection::For(const char* folder) {
  FolderProtection protection;
  if (!RunsElevated() || IsInProgramFiles(folder)) return protection;
  protection.applies_ = true;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kProtectedFolderSddl, SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    TheRunLog().NoteFailure("cannot build the new folder's permissions", GetLastError());
    return protection;
  }
  protection.descriptor_.Reset(descriptor);
  protection.attributes_.nLength = sizeof protection.attributes_;
  protection.attributes_.lpSecurityDescriptor = descriptor;
  protection.attributes_.bInheritHandle = FALSE;
  return protection;
}
