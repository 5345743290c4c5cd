#include "integration/shortcuts.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "common/ansi_path.h"
#include "common/code_page_bytes.h"
#include "common/install_options.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "integration/folder_chain.h"
#include "rules/code_page_characters.h"
#include "rules/integration_texts.h"
#include "rules/product_names.h"
#include "rules/text_rules.h"

namespace {

bool FitsPath(const char* path) { return path == nullptr || std::strlen(path) < kPathSize; }

// The special folder's path with a trailing backslash; the Windows folder
// stands in for one that cannot be resolved.
void ResolveSpecialFolder(int csidl, char (&folder)[kPathSize]) {
  folder[0] = '\0';
  ScopedCoTaskMemory<LPITEMIDLIST> items;
  if (SUCCEEDED(SHGetSpecialFolderLocation(GetActiveWindow(), csidl, items.Out()))) {
    // In UTF-16: a profile folder beyond the code page is named by its
    // short form. One without keeps its lossy ANSI form, which names no
    // folder: its links fail and are reported as such.
    wchar_t wide[MAX_PATH] = L"";
    std::string ansi;
    if (SHGetPathFromIDListW(items.Get(), wide) && wide[0] != L'\0') {
      if (AnsiPathOf(wide, &ansi)) {
        CopyBounded(folder, kPathSize, ansi);
      } else {
        CopyBounded(folder, kPathSize, TextOf(wide, CP_ACP));
        TheRunLog().Note(std::string("special folder beyond the code page, without a short name: ") +
                         folder);
      }
    }
  }
  wchar_t windows[MAX_PATH] = L"";
  std::string ansi;
  if (folder[0] == '\0' && GetWindowsDirectoryW(windows, MAX_PATH) != 0 &&
      AnsiPathOf(windows, &ansi)) {
    CopyBounded(folder, kPathSize, ansi);
  }
  AppendBackslash(folder, CodePageCharacters::Of(SystemAnsiCodePage()));
}

// One link's file: its folder in the setup's ANSI form and its name, one of
// the setup's own texts (code page 1252). Windows gets it in UTF-16, each
// part from its own code page, so that "\xDC" "ber Pellumara.lnk" is named
// so on a Japanese or UTF-8 Windows too; the run log keeps the bytes.
struct LinkFile {
  char shown[kPathSize];
  std::wstring wide;
};

// Creates and saves one shell link. Every text is optional but link and
// target; all but the link's own name are paths or plain ASCII. S_OK, or
// the error that stopped it.
HRESULT WriteLink(const LinkFile& link_file, const char* target, const char* arguments,
                   const char* description, const char* icon_path, int icon_index) {
  ScopedCom com;
  ScopedComPtr<IShellLinkW> link;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IShellLinkW, link.Out());
  if (FAILED(result)) return result;
  ScopedComPtr<IPersistFile> file;
  result = link->QueryInterface(IID_IPersistFile, file.Out());
  if (FAILED(result)) return result;

  if (icon_path != nullptr) link->SetIconLocation(WideOf(icon_path, CP_ACP).c_str(), icon_index);
  link->SetPath(WideOf(target, CP_ACP).c_str());
  if (arguments != nullptr) link->SetArguments(WideOf(arguments, CP_ACP).c_str());
  if (description != nullptr) link->SetDescription(OwnText(description).c_str());
  return file->Save(link_file.wide.c_str(), TRUE);
}

// WriteLink with its result in the run log; 1 when the link was saved.
bool SaveLink(const LinkFile& link, const char* target, const char* arguments,
             const char* description, const char* icon_path, int icon_index) {
  if (!FitsPath(target) || !FitsPath(icon_path)) {
    TheRunLog().Note(std::string("link failed, its path is too long: ") + link.shown);
    return false;
  }
  HRESULT result = WriteLink(link, target, arguments, description, icon_path, icon_index);
  if (FAILED(result)) {
    TheRunLog().NoteFailure(std::string("link failed: ") + link.shown,
                            static_cast<unsigned long>(result));
    return false;
  }
  TheRunLog().Note(std::string("link made: ") + link.shown + " -> " + target);
  return true;
}

// folder + name as a link's file; false when it would not fit.
bool JoinPath(LinkFile* link, const char* folder, const char* name) {
  if (!CopyBounded(link->shown, sizeof link->shown, folder) ||
      !AppendBounded(link->shown, sizeof link->shown, name)) {
    return false;
  }
  link->wide = WideOf(folder, CP_ACP) + OwnText(name);
  return true;
}

// The link's file, or a note in the run log that it does not fit.
bool LinkPath(LinkFile* link, const char* folder, const char* name) {
  if (JoinPath(link, folder, name)) return true;
  TheRunLog().Note(std::string("link failed, its path is too long: ") + folder + name);
  return false;
}

}  // namespace

bool CreateShortcut(const char* target, const char* link_name, const char* icon_path,
                    const char* link_description, const char* arguments, int icon_index,
                    LinkPlaces places) {
  char folder[kPathSize];
  ResolveSpecialFolder(
      places == LinkPlaces::kAllUsers ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOP, folder);
  LinkFile link;
  if (!LinkPath(&link, folder, link_name)) return false;
  return SaveLink(link, target, arguments, link_description, icon_path, icon_index);
}

bool CreateShortcutInFolder(const char* folder, const char* link_name, const char* target,
                            const char* arguments, const char* icon_path, int icon_index) {
  LinkFile link;
  if (!LinkPath(&link, folder, link_name)) return false;
  return SaveLink(link, target, arguments, nullptr, icon_path, icon_index);
}

bool CreateProgramGroup(const char* program_folder, LinkPlaces places, bool uninstall_link,
                        int* failed_links) {
  int not_saved = 0;
  int& failed = failed_links != nullptr ? *failed_links : not_saved;
  char group_folder[kPathSize];
  ResolveSpecialFolder(places == LinkPlaces::kAllUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS,
                       group_folder);
  // A group without its folder counts as one failed link.
  if (!AppendBounded(group_folder, sizeof group_folder, kProductFolderName)) {
    TheRunLog().Note(std::string("start menu group failed, its path is too long: ") + group_folder);
    ++failed;
    return false;
  }
  // Its result is not needed: links into a folder that could not be made
  // fail one by one. Every link path below relies on the final backslash.
  CreateFolderChain(group_folder);
  if (!CodePageCharacters::Of(SystemAnsiCodePage()).EndsWith(group_folder, '\\')) {
    TheRunLog().Note(std::string("start menu group failed: ") + group_folder);
    ++failed;
    return false;
  }

  auto link_in_group = [&](const char* link_name, const std::string& target,
                           const char* arguments, const char* icon_path, int icon_index) {
    const bool saved = CreateShortcutInFolder(group_folder, link_name, target.c_str(),
                                              arguments, icon_path, icon_index);
    if (!saved) ++failed;
    return saved;
  };
  const std::string folder = program_folder;
  const std::string viewer = folder + kViewerFileName;
  link_in_group(VersionedLinkName().c_str(), viewer, nullptr, nullptr, 0);

  for (const char* earlier_version : {"4.40", "4.38"}) {
    LinkFile earlier_link;
    if (JoinPath(&earlier_link, group_folder, EarlierLinkName(earlier_version).c_str())) {
      DeleteFileW(earlier_link.wide.c_str());
    }
  }

  link_in_group("Pellumara - Thumbnails.lnk", viewer, kThumbnailsArgument, viewer.c_str(), 7);
  if (uninstall_link) {
    link_in_group("Pellumara deinstallieren.lnk", folder + kUninstallerFileName, nullptr, nullptr,
                  0);
  }

  bool result = false;
  for (const DocumentLink& document : kDocumentLinks) {
    result = link_in_group(document.link_name, folder + document.file, nullptr, nullptr, 0);
  }
  return result;
}
