// The folder chain over any path and any folders standing: the path comes
// back in the canonical form whether or not its folder stood (the folder
// judged is the folder used), within its buffer, and a chain that reports
// success names a folder that stands.
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "common/install_options.h"
#include "fuzz_check.h"
#include "rules/folder_chain_rules.h"

namespace {

// Folders by their exact name, a trailing backslash ignored: a level with a
// trailing blank is another folder, as on NTFS.
class InputFolders final : public FolderSystem {
 public:
  explicit InputFolders(std::set<std::string> standing) : standing_(std::move(standing)) {}
  bool FolderExists(const char* path) override { return standing_.count(Key(path)) != 0; }
  void MakeFolder(const char* path) override {
    FUZZ_CHECK(strnlen(path, kPathSize) < kPathSize);
    standing_.insert(Key(path));
  }

 private:
  static std::string Key(std::string path) {
    while (path.size() > 1 && path.back() == '\\') path.pop_back();
    return path;
  }
  std::set<std::string> standing_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const CodePageCharacters characters = CodePageFromByte(data[0]);
  std::string path(reinterpret_cast<const char*>(data) + 1, size - 1);
  path = path.substr(0, path.find('\0'));
  if (path.size() >= kPathSize) path.resize(kPathSize - 1);
  // With the first byte's high bit, the path as typed already stands.
  std::set<std::string> standing;
  if ((data[0] & 0x80) != 0) {
    std::string typed = path;
    while (typed.size() > 1 && typed.back() == '\\') typed.pop_back();
    standing.insert(typed);
  }
  InputFolders folders(standing);
  auto chained = std::make_unique<char[]>(kPathSize);  // exact size for the sanitizer
  std::memcpy(chained.get(), path.c_str(), path.size() + 1);
  const int status = CreateFolderChainIn(folders, chained.get(), characters);
  FUZZ_CHECK(strnlen(chained.get(), kPathSize) < kPathSize);

  auto canonical = std::make_unique<char[]>(kPathSize);
  std::memcpy(canonical.get(), path.c_str(), path.size() + 1);
  MakeCanonicalFolder(canonical.get(), characters);
  FUZZ_CHECK(std::strcmp(chained.get(), canonical.get()) == 0);
  if (status == 1) FUZZ_CHECK(folders.FolderExists(chained.get()));
  // Canonical is a fixed point.
  MakeCanonicalFolder(canonical.get(), characters);
  FUZZ_CHECK(std::strcmp(chained.get(), canonical.get()) == 0);
  return 0;
}
