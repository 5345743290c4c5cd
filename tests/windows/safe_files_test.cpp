// The safe file operations where the end-to-end runs cannot reach: what the
// elevated setup holds, opens and deletes where others may write is only
// the real folder or file it checked, never what a link put in its place
// leads to, nor a second name of a file elsewhere.
#include "common/fresh_names.h"
#include "files/checked_files.h"
#include "files/entry_folders.h"
#include "files/file_identity.h"
#include "files/held_folders.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/scratch.h"

namespace {

// Every place that needs a fresh name gives up after sixteen taken names,
// and stops at the first other failure instead of trying on; each try gets
// a new number.
TEST(FreshNames, SixteenTakenGiveUpAndAnyOtherFailureStopsAtOnce) {
  std::set<unsigned> numbers;
  int tries = 0;
  EXPECT_EQ(TryFreshNames([&](unsigned number) {
              ++tries;
              numbers.insert(number);
              return FreshTry::kAgain;
            }),
            FreshTry::kAgain);
  EXPECT_EQ(tries, 16);
  EXPECT_GT(numbers.size(), 1u);
  tries = 0;
  EXPECT_EQ(TryFreshNames([&](unsigned) { return ++tries < 16 ? FreshTry::kAgain : FreshTry::kMade; }),
            FreshTry::kMade);
  EXPECT_EQ(tries, 16);
  tries = 0;
  EXPECT_EQ(TryFreshNames([&](unsigned) { return ++tries < 3 ? FreshTry::kAgain : FreshTry::kFailed; }),
            FreshTry::kFailed);
  EXPECT_EQ(tries, 3);
}

TEST(SafeFiles, HeldFolderKeepsItsNameAndALinkIsNeverHeldOrFollowed) {
  ScratchFolder scratch("planted-links");
  ScratchFolder victim("planted-victim");
  WriteFileBytes(victim / "keep.txt", "mine");
  const std::string folder = scratch / "pmarag-0123456789abcdef";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  {
    ScopedHandle held = HoldRealFolder(folder, DELETE);
    ASSERT_TRUE(held);
    // Nobody can swap the held folder for a link.
    EXPECT_FALSE(MoveFileA(folder.c_str(), (folder + ".away").c_str()));
    EXPECT_TRUE(DeleteWhenClosed(held));
  }
  EXPECT_FALSE(FolderExists(folder));

  const std::string link = scratch / "pmarag-link";
  const std::string file_link = scratch / "keep.txt";
  if (!MakeHostLink(link, victim.path()) || !MakeHostLink(file_link, victim / "keep.txt")) {
    GTEST_SKIP() << "no links on this file system";
  }
  EXPECT_FALSE(HoldRealFolder(link, DELETE));
  std::vector<ScopedHandle> levels;
  ASSERT_TRUE(CreateDirectoryA((scratch / "real").c_str(), nullptr));
  EXPECT_TRUE(HoldRealFolderLevels(scratch.path() + "\\", "real\\", levels));
  EXPECT_EQ(levels.size(), 1u);
  EXPECT_FALSE(HoldRealFolderLevels(scratch.path() + "\\", "pmarag-link\\", levels));
  levels.clear();
  EXPECT_FALSE(DeleteRealFile(file_link));
  EXPECT_EQ(ReadFileBytes(victim / "keep.txt"), "mine");
  EXPECT_TRUE(RemoveHostLink(link)) << "the link stayed";
  EXPECT_TRUE(RemoveHostLink(file_link)) << "the link stayed";
}

// The sweep's deletion inside a held folder: the real archive goes; a link
// at its name, and a folder of another account, are left alone.
TEST(SafeFiles, FileInAHeldFolderIsDeletedThroughItsHandleAndALinkThereStays) {
  ScratchFolder scratch("held-folder");
  ScratchFolder victim("held-victim");
  WriteFileBytes(victim / "pmarag_x64.zip", "mine");
  WriteFileBytes(scratch / "pmarag_x64.zip", "archive");
  ScopedHandle held = HoldRealFolder(scratch.path(), READ_CONTROL);
  ASSERT_TRUE(held);
  // The folder this test made is its own.
  EXPECT_TRUE(OwnedByThisAccount(held));
  EXPECT_TRUE(DeleteRealFileIn(held, "pmarag_x64.zip"));
  held.Close();
  EXPECT_FALSE(FileExists(scratch / "pmarag_x64.zip"));

  if (!MakeHostLink(scratch / "pmarag_x64.zip", victim / "pmarag_x64.zip")) {
    GTEST_SKIP() << "no links on this file system";
  }
  held = HoldRealFolder(scratch.path(), READ_CONTROL);
  ASSERT_TRUE(held);
  EXPECT_FALSE(DeleteRealFileIn(held, "pmarag_x64.zip"));
  held.Close();
  EXPECT_EQ(ReadFileBytes(victim / "pmarag_x64.zip"), "mine");
  EXPECT_TRUE(RemoveHostLink(scratch / "pmarag_x64.zip")) << "the link stayed";
}

// A name whose final path cannot be had whole (a link to a file beyond 260
// characters) counts as a link; a name where nothing stands does not.
TEST(SafeFiles, NameThatCannotBeToldCountsAsALinkAndNoNameAsNone) {
  ScratchFolder scratch("unclear-links");
  LongPathFile far_away(scratch.path(), "far");
  const std::string link = scratch / "unclear.txt";
  if (!MakeHostLink(link, far_away.path())) GTEST_SKIP() << "no link could be made";
  EXPECT_TRUE(IsFileLink(link.c_str()));
  EXPECT_FALSE(IsFileLink((scratch / "nothing.txt").c_str()));
  WriteFileBytes(scratch / "real.txt", "real");
  EXPECT_FALSE(IsFileLink((scratch / "real.txt").c_str()));
  EXPECT_TRUE(RemoveHostLink(link)) << "the link stayed";

  // A second name of a file is no file of the folder's own to write.
  ASSERT_TRUE(CreateHardLinkA((scratch / "second.txt").c_str(), (scratch / "real.txt").c_str(),
                              nullptr));
  CheckedFolder folder;
  DWORD error = ERROR_SUCCESS;
  ASSERT_TRUE(folder.Hold(scratch.path(), &error));
  std::string why;
  EXPECT_FALSE(folder.OpenExisting("second.txt", GENERIC_WRITE, FILE_SHARE_READ, &why, &error));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_CANT_ACCESS_FILE));
  EXPECT_NE(why.find("hard link"), std::string::npos) << why;
}


// Windows compares names without regard to case: a settings file an
// earlier version left as "P_MARA64.INI" is that very file, no link, and a
// level typed in another case is the level itself.
TEST(SafeFiles, NameInAnotherCaseIsTheFileItself) {
  ScratchFolder scratch("name-case");
  WriteFileBytes(scratch / "P_MARA64.INI", "[old]\r\n");
  CheckedFolder folder;
  DWORD error = ERROR_SUCCESS;
  ASSERT_TRUE(folder.Hold(scratch.path(), &error));
  std::string why;
  EXPECT_TRUE(folder.OpenExisting("p_mara64.ini", GENERIC_READ, FILE_SHARE_READ, &why, &error))
      << why;
  ScopedHandle held = HoldRealFolder(scratch.path());
  ASSERT_TRUE(held);
  EXPECT_TRUE(DeleteRealFileIn(held, "p_mara64.ini"));
}

// A relative open takes one name of the folder: a stream of a file there
// ("name:stream", "::$DATA") or a name cut short by a NUL is none.
TEST(SafeFiles, RelativeOpenRefusesStreamsAndEmbeddedNul) {
  ScratchFolder scratch("stream-names");
  WriteFileBytes(scratch / "data.txt", "data");
  ScopedHandle held = HoldRealFolder(scratch.path());
  ASSERT_TRUE(held);
  ASSERT_TRUE(OpenInFolder(held, L"data.txt", FILE_READ_DATA, FILE_NON_DIRECTORY_FILE));
  for (const std::wstring& name :
       {std::wstring(L"data.txt::$DATA"), std::wstring(L"data.txt:extra"),
        std::wstring(L"data.txt\0x", 10)}) {
    EXPECT_FALSE(OpenInFolder(held, name, FILE_READ_DATA, FILE_NON_DIRECTORY_FILE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_FALSE(CreateInFolder(held, name, FILE_WRITE_DATA, 0, FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  }
}


// A level that another handle may rename (opened with DELETE, sharing
// everything) cannot be held: the folder below it is refused, never held
// with that level skipped.
TEST(SafeFiles, FolderBelowALevelAnotherHandleMayRenameIsNotHeld) {
  ScratchFolder scratch("held-path-level");
  const std::string level = scratch / "level";
  ASSERT_TRUE(CreateDirectoryA(level.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((level + "\\inner").c_str(), nullptr));
  CheckedFolder folder;
  DWORD error = ERROR_SUCCESS;
  ASSERT_TRUE(folder.Hold(level + "\\inner", &error));
  ScopedHandle other(CreateFileA(level.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  EXPECT_FALSE(other) << "a held level could be opened to rename it";
  folder = CheckedFolder();
  other = ScopedHandle(CreateFileA(level.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  ASSERT_TRUE(other);
  EXPECT_FALSE(folder.Hold(level + "\\inner", &error));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

}  // namespace
