#include "common/desktop_start.h"

#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include <string>

#include "common/ansi_path.h"
#include "common/run_log.h"
#include "common/scoped_win.h"

namespace {

// A string for a COM call: the ANSI text as a BSTR.
class ScopedBstr {
 public:
  explicit ScopedBstr(const char* text) {
    if (text != nullptr) bstr_ = SysAllocString(WideOf(text, CP_ACP).c_str());
  }
  ~ScopedBstr() { SysFreeString(bstr_); }
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;
  BSTR Get() const { return bstr_; }

 private:
  BSTR bstr_ = nullptr;
};

VARIANT TextVariant(const ScopedBstr& text) {
  VARIANT variant;
  VariantInit(&variant);
  if (text.Get() != nullptr) {
    variant.vt = VT_BSTR;
    variant.bstrVal = text.Get();  // owned by text
  }
  return variant;
}

// The desktop's shell, as the shell's automation object of the desktop
// window Explorer shows: what it starts runs in Explorer's process, with
// the token of the user who signed in. Empty when no such desktop answers.
ScopedComPtr<IShellDispatch2> DesktopShell() {
#ifdef PELLUMARA_TEST_SEAMS
  // Under Wine a desktop shell always answers; the tests set this to see
  // a session without one. It can only keep the setup from starting things.
  // Only the test build has it (cmake: PELLUMARA_TEST_SEAMS).
  // An ASCII name, and only whether it is set is asked: nothing converted.
  if (GetEnvironmentVariableA("PELLUMARA_TEST_NO_DESKTOP_SHELL", nullptr, 0) != 0) return {};
#endif
  ScopedComPtr<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                              windows.Out()))) {
    return {};
  }
  VARIANT location;
  VariantInit(&location);
  location.vt = VT_I4;
  location.lVal = CSIDL_DESKTOP;
  VARIANT empty;
  VariantInit(&empty);
  long window = 0;
  ScopedComPtr<IDispatch> desktop;
  if (windows->FindWindowSW(&location, &empty, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                            desktop.Receive()) != S_OK ||
      !desktop) {
    return {};
  }
  ScopedComPtr<IServiceProvider> provider;
  ScopedComPtr<IShellBrowser> browser;
  ScopedComPtr<IShellView> view;
  ScopedComPtr<IDispatch> background;
  ScopedComPtr<IShellFolderViewDual> folder_view;
  ScopedComPtr<IDispatch> application;
  ScopedComPtr<IShellDispatch2> shell;
  if (FAILED(desktop->QueryInterface(IID_IServiceProvider,
                                     provider.Out())) ||
      FAILED(provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                    browser.Out())) ||
      FAILED(browser->QueryActiveShellView(view.Receive())) ||
      FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch,
                                 background.Out())) ||
      FAILED(background->QueryInterface(IID_IShellFolderViewDual,
                                        folder_view.Out())) ||
      FAILED(folder_view->get_Application(application.Receive())) ||
      FAILED(application->QueryInterface(IID_IShellDispatch2,
                                         shell.Out()))) {
    return {};
  }
  return shell;
}

bool StartThroughDesktop(const char* file, const char* parameters, const char* directory,
                         int show_command) {
  ScopedCom com;
  if (FAILED(com.Result()) && com.Result() != RPC_E_CHANGED_MODE) return false;
  ScopedComPtr<IShellDispatch2> shell = DesktopShell();
  if (!shell) return false;
  ScopedBstr file_text(file);
  ScopedBstr parameter_text(parameters);
  ScopedBstr directory_text(directory);
  ScopedBstr operation_text("open");
  if (file_text.Get() == nullptr) return false;
  VARIANT show;
  VariantInit(&show);
  show.vt = VT_I4;
  show.lVal = show_command;
  return SUCCEEDED(shell->ShellExecute(file_text.Get(), TextVariant(parameter_text),
                                       TextVariant(directory_text), TextVariant(operation_text),
                                       show));
}

}  // namespace

bool RunsElevated() {
  // The thread's own token while it acts as another user, else the
  // process's.
  ScopedHandle token;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.Out()) &&
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out())) {
    return false;
  }
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  return GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

bool RunsAsLocalSystem() {
#ifdef PELLUMARA_TEST_SEAMS
  // Under Wine the setup never runs as SYSTEM; the tests there set this to
  // see what such a run decides. Nothing else reads it. Only the test build
  // has it.
  // An ASCII name, and only whether it is set is asked: nothing converted.
  if (GetEnvironmentVariableA("PELLUMARA_TEST_RUNS_AS_SYSTEM", nullptr, 0) != 0) return true;
#endif
  ScopedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out())) return false;
  // A TOKEN_USER with the SID behind it; SECURITY_MAX_SID_SIZE holds any.
  alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!GetTokenInformation(token.Get(), TokenUser, buffer, sizeof buffer, &size)) return false;
  return IsWellKnownSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, WinLocalSystemSid) != 0;
}

StartedBy StartAsDesktopUser(const char* file, const char* parameters, const char* directory,
                             int show_command) {
  if (RunsElevated()) {
    if (StartThroughDesktop(file, parameters, directory, show_command)) {
      TheRunLog().Note(std::string("started as the desktop's user, through its shell: ") + file);
      return StartedBy::kDesktopShell;
    }
    TheRunLog().Note(std::string("not started: no desktop shell answers, and the elevated setup "
                                 "starts nothing with its own rights: ") +
                     file);
    return StartedBy::kWithheld;
  }
  const INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(GetDesktopWindow(), "open", file, parameters, directory, show_command));
  TheRunLog().Note(std::string(result > 32 ? "started by the setup: " : "could not start: ") +
                   file);
  return result > 32 ? StartedBy::kThisProcess : StartedBy::kNothing;
}
