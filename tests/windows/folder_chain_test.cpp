// CreateFolderChain on the real file system.
#include "integration/folder_chain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/install_options.h"
#include "support/scratch.h"

namespace {

// The names in a folder, joined by '|'.
std::string ListFolder(const std::string& folder) {
  std::string names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    names += (names.empty() ? "" : "|") + name;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

struct Chain {
  int status;
  std::string path;
};

Chain Create(const std::string& path) {
  char buffer[kPathSize];
  std::strcpy(buffer, path.c_str());
  int status = CreateFolderChain(buffer);
  return {status, buffer};
}

TEST(FolderChain, CreatesNestedLevelsAndTrimsThem) {
  ScratchFolder scratch("chain-nested");
  std::string before = CurrentDirectory();
  Chain chain = Create("  " + scratch.path() + "\\Data\\New Folder \\Pictures  ");
  EXPECT_EQ(chain.status, 1);
  EXPECT_EQ(chain.path, scratch.path() + "\\Data\\New Folder\\Pictures\\");
  EXPECT_TRUE(FolderExists(scratch / "Data\\New Folder\\Pictures"));
  EXPECT_EQ(ListFolder(scratch / "Data"), "New Folder");
  EXPECT_EQ(CurrentDirectory(), before);
}

TEST(FolderChain, ExistingFolderOnlyGainsTheBackslash) {
  ScratchFolder scratch("chain-existing");
  Chain chain = Create(scratch.path());
  EXPECT_EQ(chain.status, 1);
  EXPECT_EQ(chain.path, scratch.path() + "\\");
}

TEST(FolderChain, DoubledBackslashCollapses) {
  ScratchFolder scratch("chain-doubled");
  Chain chain = Create(scratch.path() + "\\\\Data\\\\Sub");
  EXPECT_EQ(chain.status, 1);
  EXPECT_TRUE(FolderExists(scratch / "Data\\Sub"));
}

TEST(FolderChain, MissingDriveFailsAndKeepsTheCurrentDirectory) {
  std::string before = CurrentDirectory();
  Chain chain = Create("Q:\\Nowhere\\Sub");
  EXPECT_EQ(chain.status, 0);
  EXPECT_EQ(chain.path, "Q:\\Nowhere\\Sub\\");
  EXPECT_EQ(CurrentDirectory(), before);
}

TEST(FolderChain, LevelBlockedByAFileFails) {
  ScratchFolder scratch("chain-blocked");
  WriteFileBytes(scratch / "Data", "not a folder");
  Chain chain = Create(scratch.path() + "\\Data\\Sub");
  EXPECT_EQ(chain.status, 0);
}

TEST(FolderChain, PathOf259CharactersIsNeverCompleted) {
  ScratchFolder scratch("chain-long");
  std::string path = scratch.path() + "\\" + std::string(100, 'a') + "\\";
  path += std::string(259 - path.size(), 'b');
  ASSERT_EQ(path.size(), 259u);
  Chain chain = Create(path);
  EXPECT_EQ(chain.status, 0);
  EXPECT_EQ(chain.path, path);
  EXPECT_TRUE(FolderExists(scratch / std::string(100, 'a')));
  EXPECT_FALSE(FolderExists(path));
}

}  // namespace
