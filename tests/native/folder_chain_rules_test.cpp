#include "rules/folder_chain_rules.h"
#include "rules/folder_trust_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "code_page_samples.h"
#include "common/install_options.h"

namespace {

// A file system of folders only. Like Windows, it folds repeated separators
// and ignores a trailing one when it looks a folder up; drive roots and UNC
// shares exist from the start.
class FakeFolders final : public FolderSystem {
 public:
  explicit FakeFolders(CodePageCharacters characters = samples::Western())
      : characters_(characters), existing_{"C:", "C:\\Start", "\\\\server\\share"} {}

  bool FolderExists(const char* path) override { return Exists(path); }
  void MakeFolder(const char* path) override {
    made.push_back(path);
    std::string key = Normalise(path);
    std::size_t parent_end = characters_.FindLastOf(key, "\\");
    // Drive roots and server names cannot be made; a level needs its parent.
    if (parent_end == std::string::npos || existing_.count(key.substr(0, parent_end)) == 0) return;
    if (denied.count(key) == 0) existing_.insert(key);
  }
  bool Exists(const std::string& path) const { return existing_.count(Normalise(path)) != 0; }
  // A folder that stands already, named as given.
  void Plant(const std::string& path) { existing_.insert(Normalise(path)); }

  std::vector<std::string> made;
  std::set<std::string> denied;

 private:
  std::string Normalise(const std::string& path) const {
    std::string out;
    for (std::size_t i = 0, next = 0; i < path.size(); i = next) {
      next = characters_.Next(path, i);
      bool unc_start = i < 2 && path.compare(0, 2, "\\\\") == 0;
      if (path[i] == '\\' && !unc_start && characters_.EndsWith(out, '\\')) continue;
      out.append(path, i, next - i);
    }
    while (out.size() > 2 && characters_.EndsWith(out, '\\')) out.pop_back();
    if (out.size() == 3 && out[1] == ':') out.pop_back();
    return out;
  }

  CodePageCharacters characters_;
  std::set<std::string> existing_;
};

struct Result {
  int status;
  std::string path;
};

Result Create(FakeFolders& folders, const std::string& path,
              const CodePageCharacters& characters = samples::Western()) {
  auto buffer = std::make_unique<char[]>(kPathSize);  // exact size for the sanitizers
  std::memcpy(buffer.get(), path.c_str(), path.size() + 1);
  int status = CreateFolderChainIn(folders, buffer.get(), characters);
  return {status, buffer.get()};
}

TEST(CreateFolderChain, EmptyOrBlankPathTouchesNothing) {
  FakeFolders folders;
  EXPECT_EQ(Create(folders, "").status, 0);
  Result blank = Create(folders, "    ");
  EXPECT_EQ(blank.status, 0);
  EXPECT_EQ(blank.path, "");
  EXPECT_TRUE(folders.made.empty());
}

TEST(CreateFolderChain, ExistingFolderGainsBackslash) {
  FakeFolders folders;
  Result result = Create(folders, "  C:\\Start ");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.path, "C:\\Start\\");
  EXPECT_TRUE(folders.made.empty());
}

TEST(CreateFolderChain, CreatesEveryLevelWithoutTrailingBlanks) {
  FakeFolders folders;
  Result result = Create(folders, "C:\\Data\\New Folder \\Pictures\\");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.path, "C:\\Data\\New Folder\\Pictures\\");
  EXPECT_EQ(folders.made, (std::vector<std::string>{"C:", "C:\\Data", "C:\\Data\\New Folder",
                                                    "C:\\Data\\New Folder\\Pictures"}));
  EXPECT_TRUE(folders.Exists("C:\\Data\\New Folder\\Pictures"));
}

// A folder that stands with a blank at the end of a level is not the one
// the chain names: the path comes back canonical, and the folder it names
// is the one that exists afterwards, also for a UNC server or share.
TEST(CreateFolderChain, StandingFolderIsRewrittenCanonicalToo) {
  FakeFolders folders;
  folders.Plant("C:\\Tools ");
  folders.Plant("C:\\Tools \\Pellumara");
  Result result = Create(folders, "C:\\Tools \\Pellumara ");
  EXPECT_EQ(result.path, "C:\\Tools\\Pellumara\\");
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(folders.Exists(result.path));

  // Found by fuzzing: a path that ends in a lead byte of 932 would take the
  // backslash appended as its second byte, another folder on each pass.
  Result cut = Create(folders, "C:\\Start\\x\x88", samples::Japanese());
  EXPECT_EQ(cut.status, 0);
  EXPECT_EQ(cut.path, "");

  Result unc = Create(folders, "\\\\server \\share \\sub");
  EXPECT_EQ(unc.path, "\\\\server\\share\\sub\\");
  EXPECT_EQ(unc.status, 1);
}

TEST(CreateFolderChain, DoubledBackslashCollapses) {
  FakeFolders folders;
  Result result = Create(folders, "C:\\\\Data\\\\Sub");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.path, "C:\\Data\\Sub\\");
  EXPECT_TRUE(folders.Exists("C:\\Data\\Sub"));
}

TEST(CreateFolderChain, UncPathCreatesOnlyBelowTheShare) {
  FakeFolders folders;
  Result result = Create(folders, "\\\\server\\share\\sub\\");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.path, "\\\\server\\share\\sub\\");
  EXPECT_EQ(folders.made,
            (std::vector<std::string>{"\\\\server", "\\\\server\\share", "\\\\server\\share\\sub"}));
}

TEST(CreateFolderChain, FailedLevelOrMissingDriveGivesZero) {
  FakeFolders folders;
  folders.denied.insert("C:\\Locked");
  Result result = Create(folders, "C:\\Locked\\Sub");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.path, "C:\\Locked\\Sub\\");
  EXPECT_FALSE(folders.Exists("C:\\Locked\\Sub"));

  Result missing_drive = Create(folders, "Q:\\Nowhere");
  EXPECT_EQ(missing_drive.status, 0);
  EXPECT_FALSE(folders.Exists("Q:\\Nowhere"));
}

TEST(CreateFolderChain, PathOf259CharactersGetsNoBackslash) {
  FakeFolders folders;
  std::string path = "C:\\" + std::string(100, 'a') + "\\" + std::string(155, 'b');
  ASSERT_EQ(path.size(), 259u);
  Result result = Create(folders, path);
  EXPECT_EQ(result.status, 0);  // the last level is never created
  EXPECT_EQ(result.path, path);
  EXPECT_TRUE(folders.Exists("C:\\" + std::string(100, 'a')));
  EXPECT_FALSE(folders.Exists(path));
}

TEST(CreateFolderChain, PathOf258CharactersFits) {
  FakeFolders folders;
  std::string path = "C:\\" + std::string(100, 'a') + "\\" + std::string(154, 'b');
  ASSERT_EQ(path.size(), 258u);
  Result result = Create(folders, path);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.path, path + "\\");
}

// A level whose character ends in the byte 0x5C is one level, made and
// named whole: no stray folder at the byte.
TEST(CreateFolderChain, LevelsOfDoubleByteCharactersAreMadeWhole) {
  const struct {
    CodePageCharacters characters;
    std::string first, second;
  } pages[] = {
      {samples::Japanese(), std::string(samples::kFurii) + samples::kSo,
       std::string(samples::kHyo) + "x"},
      {samples::SimplifiedChinese(), std::string("a") + samples::kJo, samples::kJo},
      {samples::TraditionalChinese(), samples::kGong, std::string(samples::kXu) + samples::kGong},
  };
  for (const auto& page : pages) {
    FakeFolders folders(page.characters);
    const std::string first = "C:\\" + page.first;
    const std::string second = first + "\\" + page.second;
    Result result = Create(folders, second + "\\Pellumara", page.characters);
    EXPECT_EQ(result.status, 1) << second;
    EXPECT_EQ(result.path, second + "\\Pellumara\\");
    EXPECT_EQ(folders.made,
              (std::vector<std::string>{"C:", first, second, second + "\\Pellumara"}));
    // Ending in such a character, the path still gains its backslash.
    EXPECT_EQ(Create(folders, second, page.characters).path, second + "\\");
  }
}

TEST(CreateFolderChain, LevelsOfBlanksOnlyStayInBounds) {
  FakeFolders folders;
  std::string path = "C:\\x" + std::string(250, ' ') + "\\y";
  Result result = Create(folders, path);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.path, "C:\\x\\y\\");
}

}  // namespace

TEST(IsInFolder, WholeLevelsOnlyAndCaseAsWindowsComparesIt) {
  const CodePageCharacters western = samples::Western();
  EXPECT_TRUE(IsInFolder("c:\\program files\\Pellumara\\", "C:\\Program Files", western));
  EXPECT_TRUE(IsInFolder("C:\\Program Files", "C:\\Program Files\\", western));
  EXPECT_FALSE(IsInFolder("C:\\Program Files (x86)\\Pellumara", "C:\\Program Files", western));
  EXPECT_FALSE(IsInFolder("C:\\Program", "C:\\Program Files", western));
  EXPECT_FALSE(IsInFolder("C:\\Tools", "", western));
}

// The key compares a character whole: in 932 "ア" (0x83 0x41) is no "ヂ"
// (0x83 0x61), and 949 likewise; a folder's backslash byte inside a
// character is no separator.
TEST(IsInFolder, ComparesDoubleByteCharactersWhole) {
  const CodePageCharacters japanese = samples::Japanese();
  const std::string a = std::string("C:\\") + samples::kA;
  const std::string di = std::string("C:\\") + samples::kDi;
  EXPECT_FALSE(IsInFolder(di + "\\Pellumara", a, japanese));
  EXPECT_TRUE(IsInFolder(a + "\\Pellumara", a, japanese));
  const std::string gak = std::string("C:\\") + samples::kGak;
  EXPECT_FALSE(IsInFolder("C:\\\x81\x61\\x", gak, samples::Korean()));
  const std::string so = std::string("C:\\") + samples::kSo;
  EXPECT_FALSE(IsInFolder(so + "x", so, japanese));
}

namespace {

constexpr char kRunningUser[] = "S-1-5-21-1-2-3-1001";
constexpr char kOtherUser[] = "S-1-5-21-1-2-3-1002";
constexpr char kAuthenticatedUsers[] = "S-1-5-11";
constexpr char kUsers[] = "S-1-5-32-545";
constexpr std::uint32_t kFullControl = 0x1f01ffu;
constexpr std::uint32_t kModify = 0x1301bfu;
constexpr std::uint32_t kReadExecute = 0x1200a9u;

FolderSecurity Level(const std::string& path, const std::string& owner,
                     std::vector<FolderAccessEntry> entries) {
  FolderSecurity level;
  level.path = path;
  level.read = true;
  level.owner_sid = owner;
  level.entries = std::move(entries);
  return level;
}

// As Windows makes them: SYSTEM and Administrators full, Users read.
std::vector<FolderAccessEntry> AdministratorsOnly() {
  return {{"S-1-5-18", true, false, kFullControl},
          {"S-1-5-32-544", true, false, kFullControl},
          {kUsers, true, false, kReadExecute},
          {"S-1-3-0", true, true, 0x10000000u}};
}

// Below "C:\": what a new folder inherits, Authenticated Users may modify.
std::vector<FolderAccessEntry> BelowDriveRoot() {
  std::vector<FolderAccessEntry> entries = AdministratorsOnly();
  entries.push_back({kAuthenticatedUsers, true, false, kModify});
  return entries;
}

}  // namespace

TEST(JudgeExistingFolder, AnotherUsersFolderOrLevelIsRefusedWhereverItStands) {
  // The target made by another user, below a level made by Administrators.
  std::vector<FolderSecurity> levels = {Level("C:\\Tools", "S-1-5-32-544", AdministratorsOnly()),
                                        Level("C:\\Tools\\Pellumara", kOtherUser, BelowDriveRoot())};
  ExistingFolderVerdict verdict = JudgeExistingFolder(levels, true, kRunningUser);
  EXPECT_EQ(verdict.action, ExistingFolderAction::kRefuse);
  EXPECT_EQ(verdict.refused_level, 1u);
  // A level above that another user made, the target not there yet.
  levels = {Level("C:\\Tools", kOtherUser, BelowDriveRoot())};
  verdict = JudgeExistingFolder(levels, false, kRunningUser);
  EXPECT_EQ(verdict.action, ExistingFolderAction::kRefuse);
  EXPECT_EQ(verdict.refused_level, 0u);
  // A descriptor that could not be read tells nothing: refused too.
  levels = {Level("C:\\Tools", "S-1-5-32-544", AdministratorsOnly())};
  levels[0].read = false;
  EXPECT_EQ(JudgeExistingFolder(levels, true, kRunningUser).action, ExistingFolderAction::kRefuse);
}

TEST(JudgeExistingFolder, AdministratorsFolderThatOthersMayChangeIsProtectedAndMovableLevelsNamed) {
  // "C:\Tools" and an earlier installation in it, both made by an
  // administrator below "C:\": both inherited Authenticated Users: Modify.
  std::vector<FolderSecurity> levels = {Level("C:\\Tools", "S-1-5-32-544", BelowDriveRoot()),
                                        Level("C:\\Tools\\Pellumara", "S-1-5-32-544", BelowDriveRoot())};
  ExistingFolderVerdict verdict = JudgeExistingFolder(levels, true, kRunningUser);
  EXPECT_EQ(verdict.action, ExistingFolderAction::kProtect);
  EXPECT_EQ(verdict.movable_levels, std::vector<std::size_t>{0});
  // Only the level above stands: nothing to protect, the warning stays.
  verdict = JudgeExistingFolder({levels[0]}, false, kRunningUser);
  EXPECT_EQ(verdict.action, ExistingFolderAction::kLeave);
  EXPECT_EQ(verdict.movable_levels, std::vector<std::size_t>{0});
  // A parent that lets others delete its children makes the target movable.
  levels[0].entries.push_back({kUsers, true, false, 0x40u});
  levels[1].entries = AdministratorsOnly();
  verdict = JudgeExistingFolder(levels, true, kRunningUser);
  EXPECT_EQ(verdict.action, ExistingFolderAction::kLeave);
  EXPECT_EQ(verdict.movable_levels, (std::vector<std::size_t>{0, 1}));
  // No access list at all grants everyone everything.
  levels[1].has_access_list = false;
  EXPECT_EQ(JudgeExistingFolder(levels, true, kRunningUser).action, ExistingFolderAction::kProtect);
}

TEST(JudgeExistingFolder, AdministratorsAloneOrTheRunningUsersOwnFolderIsLeftAsItIs) {
  std::vector<FolderSecurity> levels = {
      Level("D:\\Apps", "S-1-5-18", AdministratorsOnly()),
      Level("D:\\Apps\\Pellumara", "S-1-5-32-544", AdministratorsOnly())};
  ExistingFolderVerdict verdict = JudgeExistingFolder(levels, true, kRunningUser);
  EXPECT_EQ(verdict.action, ExistingFolderAction::kLeave);
  EXPECT_TRUE(verdict.movable_levels.empty());
  // The running user's own folder, full control for that user; a deny
  // entry and an entry for what is created inside grant nothing here.
  levels = {Level("D:\\Mine", kRunningUser,
                  {{kRunningUser, true, false, kFullControl},
                   {kOtherUser, false, false, kFullControl},
                   {kOtherUser, true, true, kFullControl}})};
  verdict = JudgeExistingFolder(levels, true, kRunningUser);
  EXPECT_EQ(verdict.action, ExistingFolderAction::kLeave);
  EXPECT_TRUE(verdict.movable_levels.empty());
}

// A folder others may change is protected, and what they placed in it
// goes; who may re-permission an item could undo the protection through a
// handle held from before, and refuses the folder instead.
TEST(JudgeExistingFolder, ContentsOthersShapeAreProtectedPlantedOrRefused) {
  constexpr std::uint8_t kBoth = folder_inheritance::kFiles | folder_inheritance::kFolders;
  // Users may write only what is created inside: the installation's files.
  std::vector<FolderSecurity> levels = {Level("D:\\Apps", "S-1-5-32-544", AdministratorsOnly())};
  levels[0].entries.push_back({kUsers, true, true, 0x40000000u, kBoth});
  EXPECT_EQ(JudgeExistingFolder(levels, true, kRunningUser).action, ExistingFolderAction::kProtect);

  FolderSecurity item = Level("D:\\Apps\\a.dll", "S-1-5-32-544", AdministratorsOnly());
  item.entries.push_back({kUsers, true, false, kModify});
  EXPECT_FALSE(OthersMayRepermission(item, kRunningUser));
  // Taking ownership alone is enough: the owner may give itself the rest.
  for (const std::uint32_t right : {folder_rights::kWriteOwner, folder_rights::kWriteDac}) {
    FolderSecurity one_right = item;
    one_right.entries.push_back({kOtherUser, true, false, right});
    EXPECT_TRUE(OthersMayRepermission(one_right, kRunningUser)) << std::hex << right;
  }
  item.entries.push_back({kOtherUser, true, false, kFullControl});
  EXPECT_TRUE(OthersMayRepermission(item, kRunningUser));

  EXPECT_TRUE(IsTrustedOwner("S-1-5-18", kRunningUser));
  EXPECT_TRUE(IsTrustedOwner(kRunningUser, kRunningUser));
  EXPECT_FALSE(IsTrustedOwner(kOtherUser, kRunningUser));
  EXPECT_FALSE(IsTrustedOwner("S-1-3-0", kRunningUser));
  EXPECT_FALSE(IsTrustedOwner("", kRunningUser));

  // A junction the running administrator made leads wherever it was set.
  levels = {Level("D:\\Apps", kRunningUser, AdministratorsOnly())};
  levels[0].reparse_point = true;
  EXPECT_EQ(JudgeExistingFolder(levels, false, kRunningUser).action, ExistingFolderAction::kRefuse);
}

// A handle others opened on a level above with a right to re-permission
// it (or take it over, or full control) survives any list the setup
// writes: such a level is refused, before any level is secured, and a level
// another handle may move cannot be held and is refused too.
TEST(JudgeExistingFolder, LevelAboveOthersMayRepermissionOrThatIsHeldOpenIsRefused) {
  for (std::uint32_t right : {0x40000u, 0x80000u, kFullControl, 0x10000000u}) {
    std::vector<FolderSecurity> levels = {Level("C:\\Tools", "S-1-5-32-544", BelowDriveRoot()),
                                          Level("C:\\Tools\\Apps", "S-1-5-32-544", BelowDriveRoot())};
    levels[1].entries.push_back({kAuthenticatedUsers, true, false, right});
    const ExistingFolderVerdict verdict = JudgeExistingFolder(levels, false, kRunningUser);
    EXPECT_EQ(verdict.action, ExistingFolderAction::kRefuse) << right;
    EXPECT_EQ(verdict.refusal, FolderRefusal::kRepermission) << right;
    EXPECT_EQ(verdict.refused_level, 1u) << right;
    // Level 0 is movable but is not secured: nothing changes before all
    // are judged.
    EXPECT_TRUE(verdict.levels_to_secure.empty()) << right;
  }
  // No access list at all lets everyone re-permission it.
  std::vector<FolderSecurity> levels = {Level("C:\\Tools", "S-1-5-32-544", AdministratorsOnly())};
  levels[0].has_access_list = false;
  EXPECT_EQ(JudgeExistingFolder(levels, false, kRunningUser).refusal, FolderRefusal::kRepermission);

  levels = {Level("C:\\Tools", "S-1-5-32-544", BelowDriveRoot())};
  levels[0].held_by_other = true;
  const ExistingFolderVerdict verdict = JudgeExistingFolder(levels, false, kRunningUser);
  EXPECT_EQ(verdict.action, ExistingFolderAction::kRefuse);
  EXPECT_EQ(verdict.refusal, FolderRefusal::kHeldByOther);
}

// "C:\Tools" below "C:\": Authenticated Users may rename it. Secured, they
// keep exactly what its contents inherit, and on the level itself only
// listing, reading and adding folders, as on the drive's root.
TEST(JudgeExistingFolder, MovableLevelIsSecuredAsTheDrivesRootIs) {
  constexpr std::uint8_t kBoth = folder_inheritance::kFiles | folder_inheritance::kFolders;
  FolderSecurity tools = Level("C:\\Tools", "S-1-5-32-544", BelowDriveRoot());
  for (FolderAccessEntry& entry : tools.entries) entry.inheritance = kBoth;
  tools.entries.insert(tools.entries.begin() + 2, {kOtherUser, false, false, 0x10000u});
  const ExistingFolderVerdict verdict = JudgeExistingFolder({tools}, false, kRunningUser);
  EXPECT_EQ(verdict.levels_to_secure, std::vector<std::size_t>{0});

  const std::vector<FolderAccessEntry> secured = SecuredLevelEntries(tools, kRunningUser);
  ASSERT_EQ(secured.size(), 7u);
  EXPECT_FALSE(secured[0].allows);  // the deny entry first
  EXPECT_EQ(secured[1].sid, "S-1-5-18");
  EXPECT_EQ(secured[3].sid, kUsers);
  EXPECT_EQ(secured[3].mask, kReadExecute);
  const FolderAccessEntry& contents = secured[5];
  EXPECT_EQ(contents.sid, kAuthenticatedUsers);
  EXPECT_TRUE(contents.inherit_only);
  EXPECT_EQ(contents.inheritance, kBoth);
  EXPECT_EQ(contents.mask, kModify);
  const FolderAccessEntry& itself = secured[6];
  EXPECT_FALSE(itself.inherit_only);
  EXPECT_EQ(itself.inheritance, 0);
  EXPECT_EQ(itself.mask, 0x001200ADu);  // list, add folder, read, traverse
  FolderSecurity after = tools;
  after.entries = secured;
  EXPECT_FALSE(OthersMayMove(after, kRunningUser));
  EXPECT_TRUE(JudgeExistingFolder({after}, false, kRunningUser).levels_to_secure.empty());
}

TEST(FolderLevelsBelowRoot, DriveAndShareRootsAreNoLevels) {
  const CodePageCharacters western = samples::Western();
  EXPECT_EQ(FolderLevelsBelowRoot("C:\\Tools\\\\Pellumara\\", western),
            (std::vector<std::string>{"C:\\Tools", "C:\\Tools\\Pellumara"}));
  EXPECT_EQ(FolderLevelsBelowRoot("\\\\server\\share\\Apps\\P", western),
            (std::vector<std::string>{"\\\\server\\share\\Apps", "\\\\server\\share\\Apps\\P"}));
  EXPECT_EQ(FolderLevelsBelowRoot("C:\\Tools  \\ \\Pellumara", western),
            (std::vector<std::string>{"C:\\Tools", "C:\\Tools\\Pellumara"}));
  EXPECT_TRUE(FolderLevelsBelowRoot("C:\\", western).empty());
  EXPECT_TRUE(FolderLevelsBelowRoot("\\\\server\\share", western).empty());
}

// The levels the check judges and holds are the real ones.
TEST(FolderLevelsBelowRoot, DoubleByteCharactersStayInTheirLevels) {
  const std::string first = std::string("C:\\") + samples::kFurii + samples::kSo;
  const std::string second = first + "\\" + samples::kHyo;
  EXPECT_EQ(FolderLevelsBelowRoot(second + "\\Pellumara\\", samples::Japanese()),
            (std::vector<std::string>{first, second, second + "\\Pellumara"}));
  const std::string share = std::string("\\\\server\\") + samples::kGong;
  EXPECT_EQ(FolderLevelsBelowRoot(share + "\\" + samples::kXu, samples::TraditionalChinese()),
            (std::vector<std::string>{share + "\\" + samples::kXu}));
}
