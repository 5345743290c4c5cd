// Unpacking crafted archives through minizip into a real folder: content,
// folders, faults that stop the walk, unsafe names, files that cannot be
// replaced and the times the unpacked files get.
#include "engine/unpacking/entry_commit.h"
#include "engine/unpacking/entry_extraction.h"
#include "files/entry_folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/scoped_win.h"
#include "rules/upgrade_rules.h"
#include "support/full_disk.h"
#include "support/scratch.h"
#include "support/unpacking.h"
#include "support/zip_writer.h"

namespace {

std::string Tree(const std::string& root) {
  std::vector<std::string> names;
  ListTree(root, "", names);
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : "|") + name;
  return joined;
}

class Extraction : public ::testing::Test {
 protected:
  void SetUp() override { start_ = CurrentDirectory(); }
  void TearDown() override { SetCurrentDirectoryA(start_.c_str()); }

  int Unzip(const std::vector<ZipEntry>& entries) { return UnzipBytes(MakeZip(entries)); }
  int UnzipBytes(const std::string& bytes) {
    WriteFileBytes(archive_path_, bytes);
    return UnzipToFolder(archive_path_.c_str(), (target_.path() + "\\").c_str());
  }
  std::string Target(const std::string& name) const { return target_ / name; }

  std::string start_;
  ScratchFolder work_{"extraction-work"};
  ScratchFolder target_{"extraction-target"};
  std::string archive_path_ = work_ / "crafted.zip";
};

TEST_F(Extraction, UnpacksFoldersAndFilesAndLeavesTheCurrentFolder) {
  std::string big(300000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) % 251);
  ZipEntry stored = FileEntry("stored.bin", "kept as it is");
  stored.deflate = false;
  EXPECT_EQ(Unzip({FolderEntry("Docs/"), FileEntry("Docs/readme.txt", "Hallo Welt\r\n"),
                   FileEntry("Docs/big.bin", big), stored, FolderEntry("Empty/"),
                   FileEntry("empty.txt", "")}),
            0);
  EXPECT_EQ(Tree(target_.path()), "Docs\\|Docs\\big.bin|Docs\\readme.txt|Empty\\|empty.txt|stored.bin");
  EXPECT_EQ(ReadFileBytes(Target("Docs\\readme.txt")), "Hallo Welt\r\n");
  EXPECT_EQ(ReadFileBytes(Target("Docs\\big.bin")), big);
  EXPECT_EQ(ReadFileBytes(Target("stored.bin")), "kept as it is");
  EXPECT_EQ(ReadFileBytes(Target("empty.txt")), "");
  // Nothing holds the target as its current folder: the viewer is started
  // in its folder by name.
  EXPECT_EQ(CurrentDirectory(), start_);
}

TEST_F(Extraction, FilesWithoutFolderEntriesGetTheirFoldersCreated) {
  EXPECT_EQ(Unzip({FileEntry("a/b/c/deep.txt", "deep"), FileEntry("x\\y\\z.txt", "back"),
                   FileEntry("a/b/side.txt", "side")}),
            0);
  EXPECT_EQ(ReadFileBytes(Target("a\\b\\c\\deep.txt")), "deep");
  EXPECT_EQ(ReadFileBytes(Target("x\\y\\z.txt")), "back");
  EXPECT_EQ(ReadFileBytes(Target("a\\b\\side.txt")), "side");
}

TEST_F(Extraction, ExistingFilesAreOverwritten) {
  WriteFileBytes(Target("file.txt"), "an older and longer content");
  EXPECT_EQ(Unzip({FileEntry("file.txt", "new")}), 0);
  EXPECT_EQ(ReadFileBytes(Target("file.txt")), "new");
}

// An upgrade whose last entry is faulty: every file of the earlier version
// stays as it was, no new file or folder of the run remains.
TEST_F(Extraction, FailedUpgradeLeavesTheFolderAsItWas) {
  ASSERT_EQ(Unzip({FileEntry("p_mara64.exe", "viewer A"), FolderEntry("Plugins/"),
                   FileEntry("Plugins/one.dll", "plug-in A")}),
            0);
  WriteFileBytes(Target("Plugins\\user.txt"), "the user's own");
  const std::string before = Snapshot(target_.path());
  for (int fault = 0; fault < 3; ++fault) {
    ZipEntry bad = FileEntry("Plugins/two.dll", std::string(5000, 'n'));
    bad.wrong_crc = fault == 0;
    bad.broken_data = fault == 1;
    bad.missing_bytes = fault == 2 ? 10 : 0;
    EXPECT_EQ(Unzip({FileEntry("p_mara64.exe", "viewer B"), FolderEntry("Plugins/"),
                     FileEntry("Plugins/one.dll", "plug-in B"), FolderEntry("New/Deeper/"),
                     FileEntry("Other/Sub/three.txt", "new in B"), bad}),
              -1)
        << fault;
    EXPECT_EQ(Snapshot(target_.path()), before) << fault;
  }
}

// Every entry goes in relative to the folder handed over as held, its
// fresh file made and moved to its name through handles, never by the
// folder's path again.
TEST_F(Extraction, EntriesGoIntoTheHeldFolderHandedOver) {
  const std::string named = Target("named");
  const std::string held_path = Target("held");
  ASSERT_TRUE(CreateDirectoryA(named.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(held_path.c_str(), nullptr));
  WriteFileBytes(archive_path_, MakeZip({FileEntry("one.txt", "1"), FolderEntry("Empty/"),
                                         FileEntry("Sub/two.txt", "2")}));
  ScopedHandle archive(CreateFileA(archive_path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  const HeldTestFolder held((held_path + "\\").c_str());
  ASSERT_NE(held.target(), nullptr);
  EXPECT_TRUE(UnzipToFolder(archive.Get(), (named + "\\").c_str(), held.target()).unpacked);
  EXPECT_EQ(Tree(held_path), "Empty\\|Sub\\|Sub\\two.txt|one.txt");
  EXPECT_EQ(ReadFileBytes(held_path + "\\Sub\\two.txt"), "2");
  EXPECT_EQ(Tree(named), "");
}

TEST_F(Extraction, TruncatedArchiveIsNotOpenedAndWritesNothing) {
  std::string whole = MakeZip({FileEntry("one.txt", std::string(4000, 'o')),
                               FileEntry("two.txt", std::string(4000, 't'))});
  for (std::size_t cut : {whole.size() - 10, whole.size() / 2, std::size_t{30}, std::size_t{0}}) {
    EXPECT_EQ(UnzipBytes(whole.substr(0, cut)), -1) << "cut at " << cut;
    EXPECT_EQ(Tree(target_.path()), "") << "cut at " << cut;
  }
}

TEST_F(Extraction, UnreadableArchiveOrMissingTargetFails) {
  const std::string folder = target_.path() + "\\";
  const HeldTestFolder held(folder.c_str());
  EXPECT_FALSE(UnzipToFolder(INVALID_HANDLE_VALUE, folder.c_str(), held.target()).unpacked);
  WriteFileBytes(archive_path_, MakeZip({FileEntry("one.txt", "1")}));
  std::string before = CurrentDirectory();
  EXPECT_EQ(UnzipToFolder(archive_path_.c_str(), (target_ / "missing\\").c_str()), -1);
  EXPECT_EQ(CurrentDirectory(), before);
}

TEST_F(Extraction, NamesLeavingTheTargetStopTheWalkBeforeAnythingOfThem) {
  const std::string outside = "C:\\pellumara-tests\\escaped.txt";
  for (const std::string& name :
       {std::string("../escaped.txt"), std::string("Docs/../../escaped.txt"),
        std::string("..\\escaped.txt"), std::string("../escaped-folder/"),
        std::string("C:\\pellumara-tests\\escaped.txt"), std::string("C:/pellumara-tests/escaped.txt"),
        std::string("C:escaped.txt"), std::string("/pellumara-tests/escaped.txt"),
        std::string("\\pellumara-tests\\escaped.txt"), std::string("kept.txt:hidden")}) {
    RemoveTree(target_.path());
    CreateDirectoryA(target_.path().c_str(), nullptr);
    ZipEntry bad = name.back() == '/' ? FolderEntry(name) : FileEntry(name, "escaped");
    EXPECT_EQ(Unzip({FolderEntry("Docs/"), FileEntry("kept.txt", "kept"), bad,
                     FileEntry("after.txt", "after")}),
              -1)
        << name;
    EXPECT_FALSE(FileExists(outside)) << name;
    EXPECT_FALSE(FolderExists("C:\\pellumara-tests\\escaped-folder")) << name;
    EXPECT_EQ(Tree(target_.path()), "") << name;
    DeleteFileA(outside.c_str());
    SetCurrentDirectoryA(start_.c_str());
  }
}

TEST_F(Extraction, NameTooLongForTheNameBufferStopsTheWalk) {
  EXPECT_EQ(Unzip({FileEntry("kept.txt", "kept"), FileEntry(std::string(600, 'n'), "long"),
                   FileEntry("after.txt", "after")}),
            -1);
  EXPECT_EQ(Tree(target_.path()), "");
}

// A read-only file stays, and is reported. A file another program holds
// without delete sharing cannot even be renamed: the new file waits beside
// it and the restart list puts it in place.
TEST_F(Extraction, ReadOnlyFileIsKeptAndAHeldFileIsReplacedAtTheRestart) {
  WriteFileBytes(Target("readonly.txt"), "old read-only");
  ASSERT_TRUE(SetFileAttributesA(Target("readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  WriteFileBytes(Target("locked.txt"), "old locked");
  HANDLE lock = CreateFileA(Target("locked.txt").c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);

  UnpackingResult report;
  WriteFileBytes(archive_path_, MakeZip({FileEntry("readonly.txt", "new"),
                                         FileEntry("locked.txt", "new locked"),
                                         FileEntry("Sub/fresh.txt", "fresh")}));
  int result = UnzipToFolder(archive_path_.c_str(), (target_.path() + "\\").c_str(), report);
  CloseHandle(lock);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(report.kept_read_only, std::vector<std::string>{"readonly.txt"});
  EXPECT_EQ(report.replaced_at_restart, std::vector<std::string>{"locked.txt"});
  EXPECT_EQ(ReadFileBytes(Target("readonly.txt")), "old read-only");
  EXPECT_EQ(ReadFileBytes(Target("locked.txt")), "old locked");
  EXPECT_EQ(ReadFileBytes(Target("Sub\\fresh.txt")), "fresh");
  // The new file waits under its fresh name, and the restart list names both.
  std::set<std::string> files = FilesIn(target_.path());
  ASSERT_EQ(files.size(), 3u);
  files.erase("readonly.txt");
  files.erase("locked.txt");
  const std::string waiting = *files.begin();
  EXPECT_EQ(ReadFileBytes(Target(waiting)), "new locked");
  const std::string pending = PendingFileRenames();
  const std::size_t from = pending.find(waiting + "|");
  EXPECT_NE(from, std::string::npos) << pending;
  EXPECT_NE(pending.find("locked.txt|", from), std::string::npos) << pending;
}

// A move that Windows refuses with access denied (a program holds the file
// so that it cannot go) leaves a file to be replaced at the restart, unless
// it is read-only: a restart cannot replace that either, so its step fails.
// The host's immutable mark makes Wine refuse the moves that way.
TEST_F(Extraction, FileRefusedWithAccessDeniedWaitsForTheRestartUnlessReadOnly) {
  const std::string held = Target("held.dll");
  const std::string read_only = Target("readonly.dll");
  WriteFileBytes(held, "old held");
  WriteFileBytes(read_only, "old read-only");
  ASSERT_TRUE(SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_READONLY));
  struct Unmarked {  // before the scratch folder goes
    const std::string& held;
    const std::string& read_only;
    ~Unmarked() {
      SetHostImmutable(held, false);
      SetHostImmutable(read_only, false);
    }
  } unmarked{held, read_only};
  if (!SetHostImmutable(held, true) || !SetHostImmutable(read_only, true)) {
    GTEST_SKIP() << "the host cannot mark a file immutable here";
  }
  WriteFileBytes(Target("~held.pm"), "new held");
  WriteFileBytes(Target("~readonly.pm"), "new read-only");

  const CommitStep waiting = CommitEntry(Target("~held.pm"), held);
  const CommitStep failed = CommitEntry(Target("~readonly.pm"), read_only);
  EXPECT_STREQ(EntryOutcomeText(waiting.outcome), "replaced at restart")
      << "error " << waiting.error;
  EXPECT_STREQ(EntryOutcomeText(failed.outcome), "failed");
  EXPECT_EQ(failed.error, static_cast<unsigned long>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadFileBytes(held), "old held");
  EXPECT_EQ(ReadFileBytes(read_only), "old read-only");
  const std::string pending = PendingFileRenames();
  EXPECT_NE(pending.find("~held.pm|"), std::string::npos) << pending;
  EXPECT_EQ(pending.find("~readonly.pm|"), std::string::npos) << pending;
}

TEST_F(Extraction, LinkAtAFileIsReplacedAndWhatItPointsToStays) {
  std::string outside = work_ / "outside.txt";
  WriteFileBytes(outside, "outside the target");
  if (!MakeHostLink(Target("p_about.txt"), outside)) GTEST_SKIP() << "no link could be made";
  EXPECT_EQ(Unzip({FileEntry("p_about.txt", "from the archive")}), 0);
  EXPECT_EQ(ReadFileBytes(outside), "outside the target");
  EXPECT_EQ(ReadFileBytes(Target("p_about.txt")), "from the archive");
}

TEST_F(Extraction, HardLinkAtAFileIsReplacedAndTheOtherNameKeepsItsData) {
  std::string outside = work_ / "outside.txt";
  WriteFileBytes(outside, "outside the target");
  ASSERT_TRUE(CreateHardLinkA(Target("p_about.txt").c_str(), outside.c_str(), nullptr));
  EXPECT_EQ(Unzip({FileEntry("p_about.txt", "from the archive")}), 0);
  EXPECT_EQ(ReadFileBytes(outside), "outside the target");
  EXPECT_EQ(ReadFileBytes(Target("p_about.txt")), "from the archive");
}

TEST_F(Extraction, LinkAtAFolderIsNeverWrittenThrough) {
  std::string outside = work_ / "outside";
  CreateDirectoryA(outside.c_str(), nullptr);
  WriteFileBytes(outside + "\\own.txt", "outside the target");
  if (!MakeHostLink(Target("Html"), outside)) GTEST_SKIP() << "no link could be made";
  int result = Unzip({FolderEntry("Html/"), FileEntry("Html/frame.html", "frame")});
  EXPECT_EQ(Tree(outside), "own.txt");
  EXPECT_EQ(ReadFileBytes(outside + "\\own.txt"), "outside the target");
  if (IsReparsePoint(Target("Html"))) {
    // Wine 8 cannot remove a link to a folder without touching the folder:
    // the link stays, and then the walk must fail.
    EXPECT_EQ(result, -1);
  } else {
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFileBytes(Target("Html\\frame.html")), "frame");
  }
}

// Another user who may write where the setup installs tries to swap the
// folder, or the level above it, for a link while the entries go in: the
// moment the first staged file stands, neither can be moved away.
TEST_F(Extraction, FolderAndTheLevelAboveCannotBeMovedWhileTheEntriesGoIn) {
  const std::string outer = target_ / "outer";
  const std::string folder = outer + "\\Pellumara";
  ASSERT_TRUE(CreateDirectoryA(outer.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  std::vector<ZipEntry> entries;
  for (int i = 0; i < 300; ++i) entries.push_back(FileEntry("f" + std::to_string(i), "data"));
  WriteFileBytes(archive_path_, MakeZip(entries));

  std::atomic<bool> done{false};
  bool staging_seen = false;
  std::vector<std::string> moved;
  std::thread other_user([&] {
    WIN32_FIND_DATAA found;
    while (!done && !ScopedFind(FindFirstFileA((folder + "\\" + kFreshNamePattern).c_str(), &found))) {
    }
    if (done) return;
    staging_seen = true;
    for (const std::string& level : {folder, outer}) {
      if (MoveFileA(level.c_str(), (level + "-moved").c_str())) {
        moved.push_back(level);
        MoveFileA((level + "-moved").c_str(), level.c_str());
      }
    }
  });
  const int result = UnzipToFolder(archive_path_.c_str(), (folder + "\\").c_str());
  done = true;
  other_user.join();
  ASSERT_TRUE(staging_seen) << "the entries went in before the other user could try";
  EXPECT_TRUE(moved.empty()) << moved.front();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadFileBytes(folder + "\\f299"), "data");
}

TEST_F(Extraction, FileThatCannotBeCreatedWhereNoneStoodFailsTheWalk) {
  // A folder at the file's name: nothing can be created there.
  CreateDirectoryA(Target("taken.txt").c_str(), nullptr);
  EXPECT_EQ(Unzip({FileEntry("first.txt", "first"), FileEntry("taken.txt", "lost"),
                   FileEntry("after.txt", "after")}),
            -1);
  EXPECT_EQ(Tree(target_.path()), "taken.txt\\");
}

TEST_F(Extraction, DataShorterThanDeclaredFailsTheWalk) {
  for (bool deflate : {true, false}) {
    ZipEntry short_entry = FileEntry("short.txt", "fewer bytes than declared");
    short_entry.deflate = deflate;
    short_entry.missing_bytes = 10;
    EXPECT_EQ(Unzip({short_entry, FileEntry("after.txt", "after")}), -1) << deflate;
    EXPECT_FALSE(FileExists(Target("after.txt"))) << deflate;
  }
}

// Bytes that deflate cannot shrink, so that the archive stays small on C:
// while the unpacked file does not fit the full disk.
std::string Incompressible(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t state = 2463534242u;
  for (char& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<char>(state);
  }
  return bytes;
}

// Too little room is found before anything is written: the earlier
// version stays whole, and the report has both figures.
TEST_F(Extraction, TooLittleFreeSpaceFailsBeforeAnythingIsWritten) {
  std::string target = FreshFolderOnFullDisk("target");
  if (target.empty()) GTEST_SKIP() << "no small file system mounted (tests/windows/full_disk.sh)";
  WriteFileBytes(target + "\\small.txt", "version A");
  const std::string before = Snapshot(target);
  const std::size_t huge = 3 << 20;
  WriteFileBytes(archive_path_, MakeZip({FileEntry("small.txt", "version B"),
                                         FileEntry("huge.bin", Incompressible(huge)),
                                         FileEntry("after.txt", "after")}));
  UnpackingResult report;
  EXPECT_EQ(UnzipToFolder(archive_path_.c_str(), (target + "\\").c_str(), report), -1);
  EXPECT_EQ(Snapshot(target), before);
  EXPECT_TRUE(report.space_short);
  EXPECT_EQ(report.needed_bytes, huge + 9 + 5);
  EXPECT_LT(report.free_bytes, report.needed_bytes);
  RemoveTree(target);
}

// A run killed during its commit left a journal: the next run puts the
// staged files that are still there at their names first, and removes the
// setup's own files that a killed run left (staged, set aside).
TEST_F(Extraction, KilledRunsJournalIsCompletedAndItsLeftoversRemoved) {
  ASSERT_TRUE(CreateDirectoryA(Target("Sub").c_str(), nullptr));
  WriteFileBytes(Target("one.txt"), "version A");
  WriteFileBytes(Target("~0000000a.pm"), "version B");
  WriteFileBytes(Target("Sub\\two.txt"), "version B");  // already put in place
  WriteFileBytes(Target("Sub\\~abcdef01.pm"), "version A, set aside");
  WriteFileBytes(Target("~12345678.pm"), "staged by a run killed earlier");
  WriteFileBytes(Target("~pmarag-journal.pm"),
                 "~0000000a.pm|one.txt\nSub/~0000000b.pm|Sub/two.txt\n");
  WriteFileBytes(Target("user~1.pm"), "the user's own");
  WriteFileBytes(Target("Sub\\~notes.pm"), "the user's own");
  EXPECT_EQ(Unzip({FileEntry("Sub/other.txt", "next run")}), 0);
  EXPECT_EQ(Tree(target_.path()),
            "Sub\\|Sub\\other.txt|Sub\\two.txt|Sub\\~notes.pm|one.txt|user~1.pm");
  EXPECT_EQ(ReadFileBytes(Target("one.txt")), "version B");
  EXPECT_EQ(ReadFileBytes(Target("Sub\\two.txt")), "version B");
}

std::uint64_t Ticks(const FILETIME& time) {
  return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

FILETIME Utc(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME system = {};
  system.wYear = static_cast<WORD>(year);
  system.wMonth = static_cast<WORD>(month);
  system.wDay = static_cast<WORD>(day);
  system.wHour = static_cast<WORD>(hour);
  system.wMinute = static_cast<WORD>(minute);
  system.wSecond = static_cast<WORD>(second);
  FILETIME file_time;
  SystemTimeToFileTime(&system, &file_time);
  return file_time;
}

struct Times {
  FILETIME creation, access, write;
};

Times TimesOf(const std::string& path) {
  Times times = {};
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  GetFileTime(file, &times.creation, &times.access, &times.write);
  CloseHandle(file);
  return times;
}

// The DOS times are local times, converted with the bias in force now (as
// LocalFileTimeToFileTime does), not with the one of the entry's date. The
// test runs with TZ=Europe/Berlin (tests/windows/CMakeLists.txt), so that
// bias is one or two hours.
FILETIME UtcNow(int year, int month, int day, int hour, int minute, int second) {
  TIME_ZONE_INFORMATION zone;
  DWORD which = GetTimeZoneInformation(&zone);
  LONG bias = zone.Bias + (which == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias);
  FILETIME local = Utc(year, month, day, hour, minute, second);
  std::uint64_t ticks = Ticks(local) + static_cast<std::int64_t>(bias) * 60 * 10000000;
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

TEST_F(Extraction, FilesGetTheEntryTimeAsUtcAndKeepTheirAccessTime) {
  TIME_ZONE_INFORMATION zone;
  GetTimeZoneInformation(&zone);
  ASSERT_EQ(zone.Bias, -60) << "run with TZ=Europe/Berlin";

  FILETIME before;
  GetSystemTimeAsFileTime(&before);
  ZipEntry winter = FileEntry("winter.txt", "January");
  winter.dos_date_time = DosDateTime(2024, 1, 15, 10, 30, 0);
  ZipEntry summer = FileEntry("Sub/summer.txt", "July");
  summer.dos_date_time = DosDateTime(2023, 7, 1, 23, 59, 58);
  ASSERT_EQ(Unzip({winter, FolderEntry("Sub/"), summer}), 0);
  FILETIME after;
  GetSystemTimeAsFileTime(&after);

  Times winter_times = TimesOf(Target("winter.txt"));
  EXPECT_EQ(Ticks(winter_times.creation), Ticks(UtcNow(2024, 1, 15, 10, 30, 0)));
  EXPECT_EQ(Ticks(winter_times.write), Ticks(UtcNow(2024, 1, 15, 10, 30, 0)));
  EXPECT_NE(Ticks(winter_times.write), Ticks(Utc(2024, 1, 15, 10, 30, 0)));
  Times summer_times = TimesOf(Target("Sub\\summer.txt"));
  EXPECT_EQ(Ticks(summer_times.creation), Ticks(UtcNow(2023, 7, 1, 23, 59, 58)));
  EXPECT_EQ(Ticks(summer_times.write), Ticks(UtcNow(2023, 7, 1, 23, 59, 58)));
  // The last access is the file system's own, from the moment of unpacking.
  const std::uint64_t slack = 20000000;  // 2 s of file-system time resolution
  for (const Times& times : {winter_times, summer_times}) {
    EXPECT_GE(Ticks(times.access) + slack, Ticks(before));
    EXPECT_LE(Ticks(times.access), Ticks(after) + slack);
  }
}

TEST(EntryFolders, CreatesEveryLevel) {
  ScratchFolder scratch("entry-folders");
  std::string start = CurrentDirectory();
  SetCurrentDirectoryA(scratch.path().c_str());
  EXPECT_EQ(CreateEntryFolders("one/two/three/"), 1);
  EXPECT_EQ(CreateEntryFolders("one\\two\\other"), 1);
  EXPECT_EQ(CreateEntryFolders("one/two/three"), 1);  // existing levels are no error
  EXPECT_EQ(CreateEntryFolders(""), 0);
  WriteFileBytes(scratch / "blocker", "a file, not a folder");
  EXPECT_EQ(CreateEntryFolders("blocker/sub/deeper"), 0);
  SetCurrentDirectoryA(start.c_str());
  EXPECT_TRUE(FolderExists(scratch / "one\\two\\three"));
  EXPECT_TRUE(FolderExists(scratch / "one\\two\\other"));
  EXPECT_EQ(CreateEntryFolders("Q:/no/drive"), 0);
}

}  // namespace
