#include "integration/folder_chain.h"

#include <windows.h>

#include <string>

#include "common/code_page_bytes.h"
#include "rules/folder_chain_rules.h"

namespace {

class Win32FolderSystem final : public FolderSystem {
 public:
  explicit Win32FolderSystem(SECURITY_ATTRIBUTES* security) : security_(security) {}
  bool FolderExists(const char* path) override {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  void MakeFolder(const char* path) override {
    // Only the first level this run creates is the highest one: every
    // level above it stood already.
    if (CreateDirectoryA(path, highest_created_.empty() ? security_ : nullptr) &&
        highest_created_.empty()) {
      highest_created_ = path;
    }
  }
  const std::string& highest_created() const { return highest_created_; }

 private:
  SECURITY_ATTRIBUTES* security_;
  std::string highest_created_;
};

}  // namespace

bool CreateFolderChain(char* path, SECURITY_ATTRIBUTES* security, std::string* highest_created) {
  Win32FolderSystem system(security);
  const bool made = CreateFolderChainIn(system, path, CodePageCharacters::Of(SystemAnsiCodePage()));
  if (highest_created != nullptr) *highest_created = system.highest_created();
  return made;
}
