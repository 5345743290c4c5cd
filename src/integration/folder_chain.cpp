#include "integration/folder_chain.h"

#include <windows.h>

#include <string>

#include "rules/folder_chain_rules.h"

namespace {

class Win32FolderSystem final : public FolderSystem {
 public:
  bool ChangeDirectory(const char* path) override { return SetCurrentDirectoryA(path) != 0; }
  void MakeDirectory(const char* path) override { CreateDirectoryA(path, nullptr); }
  std::string CurrentDirectory() override {
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) return {};
    std::string current(needed, '\0');
    DWORD written = GetCurrentDirectoryA(needed, current.data());
    if (written == 0 || written >= needed) return {};
    current.resize(written);
    return current;
  }
};

}  // namespace

int CreateFolderChain(char* path) {
  Win32FolderSystem system;
  return CreateFolderChainIn(system, path);
}
