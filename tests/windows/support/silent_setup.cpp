#include "support/silent_setup.h"

#include <algorithm>

#include "common/messages.h"

std::string FolderRejected(const std::string& folder) {
  return LoadMessage(IDS_INVALID_FOLDER) + ": " + folder;
}
std::string FolderNotCreated(const std::string& folder) {
  return LoadMessage(IDS_CANNOT_CREATE_FOLDER) + ": " + folder;
}
std::string PayloadFailed(const std::string& folder) {
  return folder + ": " + LoadMessage(IDS_INSTALL_FAILED);
}

std::thread CloseLater(ScopedHandle handle, DWORD delay_ms) {
  return std::thread([handle = std::move(handle), delay_ms]() mutable {
    Sleep(delay_ms);
    handle.Close();
  });
}

std::vector<std::string> RunLogFacts(const std::string& log) {
  std::vector<std::string> facts;
  std::size_t at = 0;
  while (at < log.size()) {
    std::size_t end = log.find("\r\n", at);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(at, end - at);
    at = end + 2;
    if (!line.empty() && line[0] == '\t' && !facts.empty()) {
      facts.back() += "\n" + line.substr(1);
      continue;
    }
    const bool stamped = line.size() > 24 && line[4] == '-' && line[7] == '-' && line[10] == 'T' &&
                         line[13] == ':' && line[16] == ':' && line[19] == '.' && line[23] == ' ';
    facts.push_back(stamped ? line.substr(24) : "<no time stamp>" + line);
  }
  return facts;
}

bool HasFact(const std::vector<std::string>& facts, const std::string& fact) {
  return std::find(facts.begin(), facts.end(), fact) != facts.end();
}
bool HasFactStartingWith(const std::vector<std::string>& facts, const std::string& start) {
  return std::any_of(facts.begin(), facts.end(),
                     [&](const std::string& fact) { return fact.rfind(start, 0) == 0; });
}

ReadOnlyMachineKey::ReadOnlyMachineKey(const char* path) : path_(path) {
  ScopedKey key;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_READ | WRITE_DAC, nullptr,
                      key.Out(), &disposition) != ERROR_SUCCESS) {
    return;
  }
  created_ = disposition == REG_CREATED_NEW_KEY;
  DWORD size = sizeof original_;
  saved_ =
      RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, original_, &size) == ERROR_SUCCESS;
  BYTE everyone[SECURITY_MAX_SID_SIZE];
  DWORD sid_size = sizeof everyone;
  BYTE acl_buffer[256];
  PACL acl = reinterpret_cast<PACL>(acl_buffer);
  SECURITY_DESCRIPTOR descriptor;
  restricted_ =
      CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sid_size) &&
      InitializeAcl(acl, sizeof acl_buffer, ACL_REVISION) &&
      AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | DELETE | WRITE_DAC, everyone) &&
      InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
      SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
      SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED) &&
      RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                        &descriptor) == ERROR_SUCCESS;
}

ReadOnlyMachineKey::~ReadOnlyMachineKey() {
  if (created_) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path_);
    return;
  }
  ScopedKey key;
  if (!saved_ ||
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_, 0, WRITE_DAC, key.Out()) != ERROR_SUCCESS) {
    return;
  }
  RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, original_);
}

bool ReadOnlyMachineKey::Refuses() const {
  if (!restricted_) return false;
  ScopedKey key;
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_, 0, KEY_SET_VALUE, key.Out()) != ERROR_SUCCESS;
}
