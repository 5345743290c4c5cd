#include "integration/default_apps.h"

#include <windows.h>
#include <shobjidl.h>

#include "common/desktop_start.h"
#include "common/run_log.h"
#include "common/scoped_win.h"
#include "common/windows_version.h"

void OpenDefaultAppsSettings() {
  if (IsWindowsVersionAtLeast(10, 0, 0)) {
    StartAsDesktopUser(kDefaultAppsAddress, nullptr, nullptr, SW_SHOWNORMAL);
    return;
  }
  // Windows 8 and 8.1 have no such settings page; their control panel
  // shows one program's associations to choose from.
  ScopedCom com;
  ScopedComPtr<IApplicationAssociationRegistrationUI> associations;
  HRESULT result = CoCreateInstance(CLSID_ApplicationAssociationRegistrationUI, nullptr,
                                    CLSCTX_INPROC_SERVER, IID_IApplicationAssociationRegistrationUI,
                                    associations.Out());
  if (SUCCEEDED(result)) result = associations->LaunchAdvancedAssociationUI(L"Pellumara");
  if (SUCCEEDED(result)) {
    TheRunLog().Note("the control panel's associations of Pellumara opened");
  } else {
    TheRunLog().NoteFailure("cannot open the control panel's associations of Pellumara",
                            static_cast<unsigned long>(result));
  }
}
