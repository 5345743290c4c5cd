#include "integration/shortcuts.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "common/install_options.h"
#include "common/scoped_win.h"
#include "common/windows_version.h"
#include "integration/folder_chain.h"
#include "rules/integration_texts.h"
#include "rules/text_rules.h"

namespace {

bool FitsPath(const char* path) { return path == nullptr || std::strlen(path) < kPathSize; }

// The special folder's path with a trailing backslash; the Windows folder
// stands in for one that cannot be resolved.
void ResolveSpecialFolder(int csidl, char (&folder)[kPathSize]) {
  folder[0] = '\0';
  LPITEMIDLIST items = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(GetActiveWindow(), csidl, &items))) {
    if (!SHGetPathFromIDListA(items, folder)) folder[0] = '\0';
    CoTaskMemFree(items);
  }
  if (folder[0] == '\0' && GetWindowsDirectoryA(folder, kPathSize) == 0) folder[0] = '\0';
  AppendBackslash(folder);
}

// Creates and saves one shell link. Every text is optional but link_path
// and target.
int SaveLink(const char* link_path, const char* target, const char* arguments,
             const char* description, const char* icon_path, int icon_index) {
  if (!FitsPath(link_path) || !FitsPath(target) || !FitsPath(icon_path)) return 0;

  ScopedCom com;
  ScopedComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              link.Out()))) {
    return 0;
  }
  ScopedComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.Out()))) return 0;

  if (icon_path != nullptr) link->SetIconLocation(icon_path, icon_index);
  wchar_t wide_path[kPathSize];
  if (MultiByteToWideChar(CP_ACP, 0, link_path, -1, wide_path, kPathSize) == 0) return 0;
  link->SetPath(target);
  if (arguments != nullptr) link->SetArguments(arguments);
  if (description != nullptr) link->SetDescription(description);
  return SUCCEEDED(file->Save(wide_path, TRUE)) ? 1 : 0;
}

// folder + name in a path buffer; false when it would not fit.
bool JoinPath(char (&path)[kPathSize], const char* folder, const char* name) {
  return CopyBounded(path, sizeof path, folder) && AppendBounded(path, sizeof path, name);
}

}  // namespace

int CreateShortcut(const char* target, const char* link_name, const char* icon_path,
                   const char* link_description, const char* arguments, int icon_index,
                   int all_users, int send_to) {
  char folder[kPathSize];
  ResolveSpecialFolder(all_users ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOP, folder);
  if (send_to) ResolveSpecialFolder(CSIDL_SENDTO, folder);
  char link_path[kPathSize];
  if (!JoinPath(link_path, folder, link_name)) return 0;
  return SaveLink(link_path, target, arguments, link_description, icon_path, icon_index);
}

int CreateShortcutInFolder(const char* folder, const char* link_name, const char* target,
                           const char* arguments, const char* icon_path, int icon_index) {
  char link_path[kPathSize];
  if (!JoinPath(link_path, folder, link_name)) return 0;
  return SaveLink(link_path, target, arguments, nullptr, icon_path, icon_index);
}

int CreateProgramGroup(const char* program_folder, int all_users, int* failed_links) {
  int not_saved = 0;
  int& failed = failed_links != nullptr ? *failed_links : not_saved;
  char group_folder[kPathSize];
  ResolveSpecialFolder(all_users ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, group_folder);
  // A group without its folder counts as one failed link.
  if (!AppendBounded(group_folder, sizeof group_folder, "Pellumara")) {
    ++failed;
    return 0;
  }
  // Its result is not needed: links into a folder that could not be made
  // fail one by one. Every link path below relies on the final backslash.
  CreateFolderChain(group_folder);
  std::size_t length = std::strlen(group_folder);
  if (length == 0 || group_folder[length - 1] != '\\') {
    ++failed;
    return 0;
  }

  auto link_in_group = [&](const char* link_name, const std::string& target,
                           const char* arguments, const char* icon_path, int icon_index) {
    int saved = CreateShortcutInFolder(group_folder, link_name, target.c_str(), arguments,
                                       icon_path, icon_index);
    if (!saved) ++failed;
    return saved;
  };
  const std::string folder = program_folder;
  const std::string viewer = folder + kViewerFileName;
  link_in_group(VersionedLinkName().c_str(), viewer, nullptr, nullptr, 0);

  for (const char* earlier_version : {"4.40", "4.38"}) {
    char earlier_link[kPathSize];
    if (JoinPath(earlier_link, group_folder, EarlierLinkName(earlier_version).c_str())) {
      DeleteFileA(earlier_link);
    }
  }

  link_in_group("Pellumara - Thumbnails.lnk", viewer, "/thumbs", viewer.c_str(), 7);
  // From Windows 8 on programs are removed through the system's own list.
  if (!IsWindowsVersionAtLeast(6, 2, 0)) {
    link_in_group("Pellumara deinstallieren.lnk", folder + kUninstallerFileName, nullptr, nullptr,
                  0);
  }

  int result = 0;
  for (const DocumentLink& document : kDocumentLinks) {
    result = link_in_group(document.link_name, folder + document.file, nullptr, nullptr, 0);
  }
  return result;
}
