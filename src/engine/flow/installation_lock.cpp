#include "engine/flow/installation_lock.h"

#include <windows.h>
#include <sddl.h>

#include <string>

#include "common/answering_wait.h"
#include "common/run_log.h"

namespace {

constexpr const char kGlobalLockName[] = "Global\\PellumaraSetup";
constexpr const char kLocalLockName[] = "Local\\PellumaraSetup";

// The private namespace: its boundary requires the Administrators group,
// enabled, in the caller's token (an elevated administrator, and SYSTEM,
// whose token holds that group too), and the namespace and its mutex admit
// SYSTEM and Administrators only, so no standard user can make, hold or
// squat a name there. Each SID added to a boundary is one the caller must
// hold: SYSTEM's own SID there as well would leave every administrator
// outside and split the setups onto two locks. Its functions are looked up at run time: Wine 8 has
// no CreatePrivateNamespaceW, and its CreateBoundaryDescriptorW fails with
// error 127 (its CreateBoundaryDescriptorA ends the process: never called).
constexpr wchar_t kBoundaryName[] = L"PellumaraSetup";
constexpr wchar_t kNamespaceAlias[] = L"Pellumara";
constexpr wchar_t kNamespaceLockName[] = L"Pellumara\\SetupLock";
// The namespace and its mutex: SYSTEM and Administrators only.
constexpr char kNamespaceSddl[] = "D:P(A;;GA;;;SY)(A;;GA;;;BA)";
constexpr int kNamespaceAttempts = 4;

using CreateBoundaryDescriptorFunction = HANDLE(WINAPI*)(LPCWSTR, ULONG);
using AddSidFunction = BOOL(WINAPI*)(HANDLE*, PSID);
using DeleteBoundaryDescriptorFunction = VOID(WINAPI*)(HANDLE);
using CreatePrivateNamespaceFunction = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
using OpenPrivateNamespaceFunction = HANDLE(WINAPI*)(LPVOID, LPCWSTR);
using ClosePrivateNamespaceFunction = BOOLEAN(WINAPI*)(HANDLE, ULONG);

template <typename Function>
Function Kernel32Function(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

struct NamespaceFunctions {
  CreateBoundaryDescriptorFunction create_boundary =
      Kernel32Function<CreateBoundaryDescriptorFunction>("CreateBoundaryDescriptorW");
  AddSidFunction add_sid = Kernel32Function<AddSidFunction>("AddSIDToBoundaryDescriptor");
  DeleteBoundaryDescriptorFunction delete_boundary =
      Kernel32Function<DeleteBoundaryDescriptorFunction>("DeleteBoundaryDescriptor");
  CreatePrivateNamespaceFunction create_namespace =
      Kernel32Function<CreatePrivateNamespaceFunction>("CreatePrivateNamespaceW");
  OpenPrivateNamespaceFunction open_namespace =
      Kernel32Function<OpenPrivateNamespaceFunction>("OpenPrivateNamespaceW");
  ClosePrivateNamespaceFunction close_namespace =
      Kernel32Function<ClosePrivateNamespaceFunction>("ClosePrivateNamespace");

  bool all() const {
    return create_boundary && add_sid && delete_boundary && create_namespace && open_namespace &&
           close_namespace;
  }
};

const NamespaceFunctions& Namespaces() {
  static const NamespaceFunctions functions;
  return functions;
}

// A boundary descriptor holding the Administrators SID; null, with the
// Windows error in error, when one cannot be made.
HANDLE MakeBoundary(const NamespaceFunctions& functions, DWORD* error) {
  HANDLE boundary = functions.create_boundary(kBoundaryName, 0);
  if (boundary == nullptr) {
    *error = GetLastError();
    return nullptr;
  }
  for (WELL_KNOWN_SID_TYPE type : {WinBuiltinAdministratorsSid}) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    if (!CreateWellKnownSid(type, nullptr, sid, &size) || !functions.add_sid(&boundary, sid)) {
      *error = GetLastError();
      functions.delete_boundary(boundary);
      return nullptr;
    }
  }
  return boundary;
}
// How often a lock that exists but cannot be opened is looked at again.
constexpr unsigned long kPollMs = 250;

bool Acquired(DWORD wait_result) {
  return wait_result == WAIT_OBJECT_0 || wait_result == WAIT_ABANDONED;
}

unsigned long LeftUntil(ULONGLONG end) {
  ULONGLONG now = GetTickCount64();
  return now >= end ? 0 : static_cast<unsigned long>(end - now);
}

// Waits for the mutex while answering what is sent to the thread's windows
// and repainting them, so that a wizard shows its wait label meanwhile and
// is never taken for hung; no input is taken.
DWORD WaitAnswering(HANDLE mutex, unsigned long wait_ms) {
  const ULONGLONG end = GetTickCount64() + wait_ms;
  for (;;) {
    DWORD result = MsgWaitForMultipleObjects(1, &mutex, FALSE, LeftUntil(end),
                                             QS_SENDMESSAGE | QS_PAINT);
    if (result != WAIT_OBJECT_0 + 1) return result;
    AnswerPendingMessages();
  }
}

}  // namespace

InstallationLock::~InstallationLock() {
  if (held_) ReleaseMutex(mutex_.Get());
  mutex_.Reset();
  if (namespace_ != nullptr) Namespaces().close_namespace(namespace_, 0);
}

bool InstallationLock::MakeInPrivateNamespace() {
  const NamespaceFunctions& functions = Namespaces();
  if (!functions.all()) {
    TheRunLog().Note("lock: no private namespaces on this system");
    return false;
  }
  DWORD boundary_error = ERROR_SUCCESS;
  HANDLE boundary = MakeBoundary(functions, &boundary_error);
  if (boundary == nullptr) {
    TheRunLog().NoteFailure("lock: no boundary for a private namespace", boundary_error);
    return false;
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kNamespaceSddl, SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    TheRunLog().NoteFailure("lock: no descriptor for the private namespace", GetLastError());
    functions.delete_boundary(boundary);
    return false;
  }
  ScopedLocalMemory owned(descriptor);
  SECURITY_ATTRIBUTES security = {sizeof security, descriptor, FALSE};
  // Another setup may make or close the namespace between the two calls.
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < kNamespaceAttempts && namespace_ == nullptr; ++attempt) {
    namespace_ = functions.create_namespace(&security, boundary, kNamespaceAlias);
    if (namespace_ != nullptr) break;
    error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) break;
    namespace_ = functions.open_namespace(boundary, kNamespaceAlias);
    if (namespace_ == nullptr) error = GetLastError();
  }
  functions.delete_boundary(boundary);
  if (namespace_ == nullptr) {
    // A standard user's setup is not within the boundary.
    TheRunLog().NoteFailure("lock: the private namespace cannot be made or opened", error);
    return false;
  }
  mutex_.Reset(CreateMutexW(&security, FALSE, kNamespaceLockName));
  if (!mutex_) {
    failure_ = GetLastError();
    TheRunLog().NoteFailure("lock: the mutex in the private namespace cannot be made", failure_);
    return true;  // the namespace served; its failure ends the run
  }
  TheRunLog().Note("lock: the mutex in the setup's private namespace");
  return true;
}

// CreateMutexA fails with ERROR_ACCESS_DENIED where a setup of more rights
// (SYSTEM, another user) made the lock with a descriptor that keeps this
// one out: that setup runs, so this one looks again until the lock is gone
// or can be opened. Only where the global lock cannot be made at all (no
// right to global names) does the session's own lock serve. A name held by
// another kind of object (ERROR_INVALID_HANDLE) is nobody's lock, and
// waiting never frees it.
bool InstallationLock::MakeByName(unsigned long wait_ms, bool keep_painted) {
  const ULONGLONG end = GetTickCount64() + wait_ms;
  for (;;) {
    mutex_.Reset(CreateMutexA(nullptr, FALSE, kGlobalLockName));
    if (mutex_ || GetLastError() != ERROR_ACCESS_DENIED) break;
    const unsigned long left = LeftUntil(end);
    if (left == 0) return false;
    const unsigned long pause = left < kPollMs ? left : kPollMs;
    if (keep_painted) {
      SleepAnswering(pause);
    } else {
      Sleep(pause);
    }
  }
  const char* name = kGlobalLockName;
  if (!mutex_ && GetLastError() != ERROR_INVALID_HANDLE) {
    TheRunLog().NoteFailure(std::string("lock: ") + kGlobalLockName + " cannot be made",
                            GetLastError());
    name = kLocalLockName;
    mutex_.Reset(CreateMutexA(nullptr, FALSE, kLocalLockName));
  }
  if (!mutex_) {
    failure_ = GetLastError();
    TheRunLog().NoteFailure(
        std::string("lock: ") + name +
            (failure_ == ERROR_INVALID_HANDLE
                 ? " is the name of another kind of object, no setup's lock: nothing is done"
                 : " cannot be made: nothing is done"),
        failure_);
    return true;
  }
  TheRunLog().Note(std::string("lock: the mutex ") + name);
  return true;
}

bool InstallationLock::Acquire(unsigned long wait_ms, bool keep_painted) {
  const ULONGLONG end = GetTickCount64() + wait_ms;
  if (!MakeInPrivateNamespace() && !MakeByName(wait_ms, keep_painted)) return false;
  if (!mutex_) {
    if (failure_ == 0) failure_ = ERROR_INVALID_HANDLE;
    return false;
  }
  const unsigned long left = LeftUntil(end);
  DWORD result = keep_painted ? WaitAnswering(mutex_.Get(), left)
                              : WaitForSingleObject(mutex_.Get(), left);
  held_ = Acquired(result);
  return held_;
}
