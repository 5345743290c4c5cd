#include "support/shell_links.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "common/scoped_win.h"

bool operator==(const Link& a, const Link& b) {
  return a.loaded == b.loaded && a.target == b.target && a.arguments == b.arguments &&
         a.icon_path == b.icon_path && a.icon_index == b.icon_index &&
         a.description == b.description;
}

std::ostream& operator<<(std::ostream& out, const Link& link) {
  return out << (link.loaded ? "" : "<not loaded> ") << "target '" << link.target << "' args '"
             << link.arguments << "' icon '" << link.icon_path << "'," << link.icon_index
             << " description '" << link.description << "'";
}

Link ReadLink(const std::string& path) {
  Link link;
  ScopedCom com;
  ScopedComPtr<IShellLinkA> shell_link;
  ScopedComPtr<IPersistFile> file;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 shell_link.Out())) &&
      SUCCEEDED(shell_link->QueryInterface(IID_IPersistFile, file.Out()))) {
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(file->Load(wide, STGM_READ))) {
      link.loaded = true;
      char text[1024] = "";
      shell_link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
      link.target = text;
      text[0] = '\0';
      shell_link->GetArguments(text, sizeof text);
      link.arguments = text;
      text[0] = '\0';
      shell_link->GetIconLocation(text, sizeof text, &link.icon_index);
      link.icon_path = text;
      text[0] = '\0';
      shell_link->GetDescription(text, sizeof text);
      link.description = text;
    }
  }
  return link;
}

