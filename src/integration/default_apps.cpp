#include "integration/default_apps.h"

#include <windows.h>
#include <shobjidl.h>

#include <string>

#include "common/ansi_path.h"
#include "common/desktop_start.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "common/windows_version.h"
#include "rules/product_names.h"

void OpenDefaultAppsSettings() {
  if (IsWindowsVersionAtLeast(10, 0, 0)) {
    // The settings at the viewer's entry in HKLM\SOFTWARE\RegisteredApplications
    // (Windows 11 since its 2023 updates goes there; earlier builds show the
    // default-apps page).
    const std::string address =
        std::string("ms-settings:defaultapps?registeredAppMachine=") + kRegisteredAppName;
    StartAsDesktopUser(address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return;
  }
  // Windows 8 and 8.1 have no such settings page; their control panel
  // shows one program's associations to choose from.
  ScopedCom com;
  ScopedComPtr<IApplicationAssociationRegistrationUI> associations;
  HRESULT result = CoCreateInstance(CLSID_ApplicationAssociationRegistrationUI, nullptr,
                                    CLSCTX_INPROC_SERVER, IID_IApplicationAssociationRegistrationUI,
                                    associations.Out());
  const std::wstring registered_name = WideOf(kRegisteredAppName, CP_ACP);
  if (SUCCEEDED(result)) {
    result = associations->LaunchAdvancedAssociationUI(registered_name.c_str());
  }
  if (SUCCEEDED(result)) {
    TheRunLog().Note("the control panel's associations of Pellumara opened");
  } else {
    TheRunLog().NoteFailure("cannot open the control panel's associations of Pellumara",
                            static_cast<unsigned long>(result));
  }
}
