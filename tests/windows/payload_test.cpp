// The setup's own payload: its layout, the temporary archive on its way to
// the target folder, and the viewer stand-in it carries.
#include "engine/unpacking/payload_extraction.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "unzip.h"
#include "iowin32.h"
#include "files/temp_folders.h"
#include "support/full_disk.h"
#include "support/scratch.h"
#include "support/unpacking.h"
#include "support/zip_writer.h"

namespace {

// Points GetTempPathA at a folder of the test's own for the fixture's life.
class TempFolderOverride {
 public:
  explicit TempFolderOverride(const std::string& folder) {
    Save("TMP", tmp_);
    Save("TEMP", temp_);
    SetEnvironmentVariableA("TMP", folder.c_str());
    SetEnvironmentVariableA("TEMP", folder.c_str());
  }
  ~TempFolderOverride() {
    SetEnvironmentVariableA("TMP", tmp_.c_str());
    SetEnvironmentVariableA("TEMP", temp_.c_str());
  }

 private:
  static void Save(const char* name, std::string& value) {
    char buffer[1024] = "";
    GetEnvironmentVariableA(name, buffer, sizeof buffer);
    value = buffer;
  }
  std::string tmp_, temp_;
};

// Which file a name leads to, as the file system counts them.
unsigned long long FileIndex(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  BY_HANDLE_FILE_INFORMATION information = {};
  GetFileInformationByHandle(file, &information);
  CloseHandle(file);
  return (static_cast<unsigned long long>(information.nFileIndexHigh) << 32) |
         information.nFileIndexLow;
}

// Neither the temporary archive nor its folder is left behind.
void TreeEmpty(const std::string& folder) {
  TreeCounts counts = CountTree(folder);
  EXPECT_EQ(counts.files, 0) << folder;
  EXPECT_EQ(counts.folders, 0) << folder;
}

// The owner reading as on a machine where another account left
// "pmarag-00000000000000aa" (under Wine every folder is the running
// user's); every other folder is read as it is.
bool OwnedUnlessAnotherAccounts(const ScopedHandle& folder) {
  char path[MAX_PATH * 2] = "";
  const DWORD length = GetFinalPathNameByHandleA(folder.Get(), path, sizeof path, 0);
  const std::string final_path(path, length < sizeof path ? length : 0);
  const std::string others = "\\pmarag-00000000000000aa";
  if (final_path.size() >= others.size() &&
      final_path.compare(final_path.size() - others.size(), others.size(), others) == 0) {
    return false;
  }
  return OwnedByThisAccount(folder);
}

// Another account that controls a level of the temporary folder's path,
// once the archive is written: it tries to move the setup's private folder
// aside, then moves the level itself aside and puts one of its own at its
// name, holding another archive, valid to its CRCs, at the archive's name.
struct ArchiveSwap {
  std::string level;
  std::string archive;
  std::string archive_path;
  bool folder_moved = false;
  bool level_swapped = false;
};
ArchiveSwap g_swap;

void SwapTheArchive(const char* archive_path) {
  g_swap.archive_path = archive_path;
  const std::string folder = g_swap.archive_path.substr(0, g_swap.archive_path.rfind('\\'));
  if (MoveFileA(folder.c_str(), (folder + "-aside").c_str())) {
    g_swap.folder_moved = true;
    MoveFileA((folder + "-aside").c_str(), folder.c_str());
  }
  if (MoveFileA(g_swap.level.c_str(), (g_swap.level + "-aside").c_str()) &&
      CreateDirectoryA(g_swap.level.c_str(), nullptr) &&
      CreateDirectoryA(folder.c_str(), nullptr)) {
    WriteFileBytes(g_swap.archive_path, g_swap.archive);
    g_swap.level_swapped = true;
  }
}

class Payload : public ::testing::Test {
 protected:
  void SetUp() override { start_ = CurrentDirectory(); }
  void TearDown() override { SetCurrentDirectoryA(start_.c_str()); }

  int Extract() {
    return UnpackPayload(kPayloadResourceId, kPayloadResourceType, kPayloadTempName,
                         (target_.path() + "\\").c_str());
  }
  TreeCounts Unpacked() const { return CountTree(target_.path()); }

  std::string start_;
  ScratchFolder temp_{"payload-temp"};
  ScratchFolder target_{"payload-target"};
  TempFolderOverride temp_override_{temp_.path() + "\\"};
  std::string temp_file_ = temp_ / kPayloadTempName;
};

TEST_F(Payload, ArchiveHasTheViewersLayout) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(208), "ZIP");
  ASSERT_NE(found, nullptr);
  const char* data = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
  WriteFileBytes(temp_file_, std::string(data, SizeofResource(nullptr, found)));
  zlib_filefunc_def functions;
  fill_win32_filefunc(&functions);
  unzFile archive = unzOpen2(temp_file_.c_str(), &functions);
  ASSERT_NE(archive, nullptr);

  std::set<std::string> folders_seen;
  std::set<unsigned long> times;
  int folders = 0, files = 0;
  std::string names;
  for (int status = unzGoToFirstFile(archive); status == UNZ_OK; status = unzGoToNextFile(archive)) {
    unz_file_info info;
    char name[520];
    ASSERT_EQ(unzGetCurrentFileInfo(archive, &info, name, sizeof name, nullptr, 0, nullptr, 0), UNZ_OK);
    std::string entry = name;
    names += entry + "|";
    times.insert(info.dosDate);
    EXPECT_EQ(info.flag & 1, 0u) << entry << " is encrypted";
    std::size_t slash = entry.rfind('/', entry.size() - 2);
    if (slash != std::string::npos) {
      EXPECT_EQ(folders_seen.count(entry.substr(0, slash + 1)), 1u) << entry << " before its folder";
    }
    if (entry.back() == '/') {
      ++folders;
      folders_seen.insert(entry);
      EXPECT_EQ(info.compression_method, 0u) << entry;
      EXPECT_EQ(info.uncompressed_size, 0u) << entry;
    } else {
      ++files;
      EXPECT_EQ(info.compression_method, 8u) << entry;
    }
  }
  unzClose(archive);
  EXPECT_EQ(folders, 5);
  EXPECT_EQ(files, 32);
  ASSERT_EQ(times.size(), 1u);
  EXPECT_NE(*times.begin() & 0xFFFF, 0u) << "the fixed time must not be midnight";
  for (const char* expected :
       {"p_mara64.exe|", "pm_uninstall.exe|", "p_about.txt|", "p_changes.txt|", "p_languages.txt|",
        "p_options.txt|", "p_plugins.txt|", "p_mara32.chm|", "Help/p_mara32_deutsch.chm|",
        "Languages/Deutsch.dll|", "Html/frame.html|", "Html/slideshow.html|", "Html/thumbnails.html|",
        "Toolbars/Tavrel_16.png|", "Toolbars/Halvorne_24.png|", "Toolbars/gnome-colors-wise_32.png|",
        "Toolbars/gnome-colors-human_48.png|", "Toolbars/Tavrel_16.txt|", "Toolbars/Halvorne_24.txt|",
        "Toolbars/gnome-colors-wise_32.txt|", "Toolbars/gnome-colors-human_48.txt|"}) {
    EXPECT_NE(names.find(expected), std::string::npos) << expected;
  }
}

TEST_F(Payload, UnpacksEveryEntryAndRemovesTheTemporaryArchive) {
  EXPECT_EQ(Extract(), 0);
  TreeCounts counts = Unpacked();
  EXPECT_EQ(counts.folders, 5);
  EXPECT_EQ(counts.files, 32);
  TreeEmpty(temp_.path());
  EXPECT_EQ(CurrentDirectory(), start_);
}

// The archive goes into a fresh folder of its own: whatever stands at the
// old fixed name, a leftover or something planted, is never touched.
TEST_F(Payload, NothingAtTheOldFixedTemporaryNameIsTouched) {
  WriteFileBytes(temp_file_, "not the setup's: must stay as it is");
  SetFileAttributesA(temp_file_.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Extract(), 0);
  EXPECT_EQ(Unpacked().files, 32);
  EXPECT_EQ(ReadFileBytes(temp_file_), "not the setup's: must stay as it is");
  TreeCounts temp = CountTree(temp_.path());
  EXPECT_EQ(temp.files, 1);
  EXPECT_EQ(temp.folders, 0);
}

// The start-up sweep enters only the private folders of the account it
// runs as: anyone may create folders in SYSTEM's "C:\Windows\Temp".
TEST_F(Payload, SweepLeavesAnotherAccountsFolderAlone) {
  const std::string others = temp_ / "pmarag-00000000000000aa";
  const std::string ours = temp_ / "pmarag-00000000000000bb";
  for (const std::string& folder : {others, ours}) {
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    WriteFileBytes(folder + "\\" + kPayloadTempName, "archive");
  }
  RemoveLeftoverTempFolders({kPayloadTempName}, OwnedUnlessAnotherAccounts);
  EXPECT_EQ(ReadFileBytes(others + "\\" + kPayloadTempName), "archive");
  EXPECT_FALSE(FolderExists(ours));
}

// The archive is read through the handle it was written with, in a
// private folder held from its creation to its removal: whatever another
// account puts at its name meanwhile is neither installed nor deleted.
TEST_F(Payload, ArchiveSwappedBetweenWritingAndReadingIsNotInstalled) {
  const std::string level = temp_ / "Level";
  ASSERT_TRUE(CreateDirectoryA(level.c_str(), nullptr));
  SetEnvironmentVariableA("TMP", (level + "\\").c_str());
  SetEnvironmentVariableA("TEMP", (level + "\\").c_str());
  g_swap = ArchiveSwap();
  g_swap.level = level;
  g_swap.archive = MakeZip({FileEntry("p_mara64.exe", "another account's program")});
  SetArchiveWrittenHookForTests(SwapTheArchive);
  const int result = Extract();
  SetArchiveWrittenHookForTests(nullptr);
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(g_swap.folder_moved) << "the private folder could be moved aside";
  ASSERT_TRUE(g_swap.level_swapped) << "the level above could not be moved aside";
  EXPECT_EQ(Unpacked().files, 32);
  EXPECT_NE(ReadFileBytes(target_ / "p_mara64.exe"), "another account's program");
  // The setup's own archive goes through its handle. Wine then removes
  // the name the file was opened by, which no longer leads to it: it stays
  // in the level moved aside there, where Windows removes it.
  EXPECT_EQ(ReadFileBytes(g_swap.archive_path), g_swap.archive);
}

TEST_F(Payload, UnknownOrTooLongTemporaryFolderWritesNothing) {
  std::string long_folder = "C:\\" + std::string(250, 't') + "\\";
  SetEnvironmentVariableA("TMP", long_folder.c_str());
  SetEnvironmentVariableA("TEMP", long_folder.c_str());
  EXPECT_EQ(Extract(), -1);
  EXPECT_EQ(Unpacked().files, 0);

  SetEnvironmentVariableA("TMP", "Q:\\no-temp\\");
  SetEnvironmentVariableA("TEMP", "Q:\\no-temp\\");
  EXPECT_EQ(Extract(), -1);
  EXPECT_EQ(Unpacked().files, 0);
}

TEST_F(Payload, TemporaryArchiveThatDoesNotFitIsDeleted) {
  std::string disk = FullDiskFolder();
  if (disk.empty()) GTEST_SKIP() << "no small file system mounted (tests/windows/full_disk.sh)";
  // The 3 MB archive does not fit the 1 MB file system.
  SetEnvironmentVariableA("TMP", (disk + "\\").c_str());
  SetEnvironmentVariableA("TEMP", (disk + "\\").c_str());
  EXPECT_EQ(Extract(), -1);
  EXPECT_EQ(CountTree(disk).folders, 0);
  EXPECT_EQ(FilesIn(disk), std::set<std::string>{".full-disk"});
  EXPECT_EQ(Unpacked().files, 0);
}

TEST_F(Payload, TemporaryArchiveIsDeletedWhenTheTargetCannotBeEntered) {
  EXPECT_EQ(UnpackPayload(kPayloadResourceId, kPayloadResourceType, kPayloadTempName,
                          (target_ / "missing\\").c_str()),
            -1);
  TreeEmpty(temp_.path());
}

TEST_F(Payload, MissingResourceFails) {
  EXPECT_EQ(UnpackPayload(209, kPayloadResourceType, kPayloadTempName, (target_.path() + "\\").c_str()), -1);
  EXPECT_EQ(UnpackPayload(kPayloadResourceId, "TXT", kPayloadTempName, (target_.path() + "\\").c_str()), -1);
  TreeEmpty(temp_.path());
}

// Starts a program and waits for a top-level window of class "Pellumara".
struct Viewer {
  PROCESS_INFORMATION process = {};
  HWND window = nullptr;
};

Viewer StartViewer(const std::string& command_line) {
  Viewer viewer;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string line = command_line;
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &viewer.process)) {
    return viewer;
  }
  for (int i = 0; i < 200 && viewer.window == nullptr; ++i) {
    viewer.window = FindWindowA("Pellumara", nullptr);
    if (viewer.window == nullptr) Sleep(50);
  }
  return viewer;
}

std::string WindowTitle(HWND window) {
  char title[512] = "";
  GetWindowTextA(window, title, sizeof title);
  return title;
}

TEST_F(Payload, UnpackedViewerShowsItsFileAndEndsWhenClosed) {
  ASSERT_EQ(Extract(), 0);
  SetCurrentDirectoryA(start_.c_str());
  std::string viewer_path = target_ / "p_mara64.exe";
  for (const std::string& arguments : {std::string("C:\\Bilder\\Urlaub.jpg"), std::string("/thumbs C:\\Bilder")}) {
    Viewer viewer = StartViewer("\"" + viewer_path + "\" " + arguments);
    ASSERT_NE(viewer.window, nullptr) << arguments;
    EXPECT_EQ(WindowTitle(viewer.window), "Pellumara - " + arguments);
    PostMessageA(viewer.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(viewer.process.hProcess, 10000), WAIT_OBJECT_0) << arguments;
    DWORD exit_code = 1;
    GetExitCodeProcess(viewer.process.hProcess, &exit_code);
    EXPECT_EQ(exit_code, 0u);
    EXPECT_EQ(FindWindowA("Pellumara", nullptr), nullptr);
    CloseHandle(viewer.process.hThread);
    CloseHandle(viewer.process.hProcess);
  }
}

TEST_F(Payload, UnpackedHelperProgramsAndLibrariesAreRealPrograms) {
  ASSERT_EQ(Extract(), 0);
  SetCurrentDirectoryA(start_.c_str());
  for (const char* library : {"Languages\\Deutsch.dll", "Plugins\\p_formats.dll", "Plugins\\p_webp.dll"}) {
    HMODULE module = LoadLibraryA((target_ / library).c_str());
    ASSERT_NE(module, nullptr) << library;
    EXPECT_NE(GetProcAddress(module, "PellumaraPluginName"), nullptr) << library;
    FreeLibrary(module);
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string line = "\"" + (target_ / "pm_uninstall.exe") + "\"";
  ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                             nullptr, &startup, &process));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
  DWORD exit_code = 1;
  GetExitCodeProcess(process.hProcess, &exit_code);
  EXPECT_EQ(exit_code, 0u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

// A plug-in the running viewer has loaded can be renamed but not deleted:
// the new one takes its name now, the old file goes at the restart.
TEST_F(Payload, LoadedLibraryIsReplacedAndTheOldFileDeletedAtTheRestart) {
  ASSERT_EQ(Extract(), 0);
  const std::string plugin = target_ / "Plugins\\p_webp.dll";
  HMODULE module = LoadLibraryA(plugin.c_str());
  ASSERT_NE(module, nullptr);
  const unsigned long long loaded = FileIndex(plugin);

  const UnpackingResult report = ExtractPayloadHeld(kPayloadResourceId, kPayloadResourceType,
                                                    kPayloadTempName,
                                                    (target_.path() + "\\").c_str());
  EXPECT_TRUE(report.unpacked);
  EXPECT_TRUE(report.replaced_at_restart.empty());
  EXPECT_NE(FileIndex(plugin), loaded);
  // Only the old file is left beside it, on the restart list to be deleted.
  std::set<std::string> left;
  for (const std::string& name : FilesIn(target_ / "Plugins")) {
    if (name[0] == '~') left.insert(name);
  }
  ASSERT_EQ(left.size(), 1u);
  EXPECT_NE(PendingFileRenames().find("Plugins\\" + *left.begin() + "||"), std::string::npos);
  FreeLibrary(module);
}

}  // namespace
