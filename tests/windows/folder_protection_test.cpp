// The permissions an elevated setup gives a target folder it creates.
#include "engine/flow/target_folder.h"
#include "files/folder_protection.h"
#include "files/folder_security.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/code_page_bytes.h"
#include "common/install_options.h"
#include "common/messages.h"
#include "rules/text_rules.h"
#include "support/scratch.h"

namespace {

std::string SidText(PSID sid) {
  char* text = nullptr;
  if (!ConvertSidToStringSidA(sid, &text)) return "<no sid>";
  std::string result = text;
  LocalFree(text);
  return result;
}

// The access list of the descriptor a new folder is made with; null unless
// the descriptor is there and its list is protected from the parent's.
PACL ProtectedListOf(FolderProtection& protection) {
  if (protection.attributes() == nullptr) return nullptr;
  PSECURITY_DESCRIPTOR descriptor = protection.attributes()->lpSecurityDescriptor;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  if (!GetSecurityDescriptorControl(descriptor, &control, &revision) ||
      !(control & SE_DACL_PROTECTED) ||
      !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present) {
    return nullptr;
  }
  return dacl;
}

// The tests run elevated, as Wine runs every program. Outside Program Files
// the new folder gets their permissions, protected from its parent's; a
// folder in Program Files inherits theirs.
TEST(FolderProtection, NewFolderOutsideProgramFilesGetsTheirPermissions) {
  FolderProtection protection = FolderProtection::For("C:\\Tools\\Pellumara\\");
  const PACL dacl = ProtectedListOf(protection);
  ASSERT_NE(dacl, nullptr);
  std::string entries;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
    ASSERT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    char line[128];
    std::snprintf(line, sizeof line, "%s %lx %x\n", SidText(&ace->SidStart).c_str(), ace->Mask,
                  ace->Header.AceFlags);
    entries += line;
  }
  EXPECT_EQ(entries,
            "S-1-5-18 1f01ff 3\n"      // SYSTEM: full control, folders and files below
            "S-1-5-32-544 1f01ff 3\n"  // Administrators: full control
            "S-1-5-32-545 1200a9 3\n"  // Users: read and execute
            "S-1-3-0 10000000 b\n"     // creator owner: all, below only
            "S-1-15-2-1 1200a9 3\n"    // app packages: read and execute
            "S-1-15-2-2 1200a9 3\n");  // restricted app packages: the same

  char program_files[MAX_PATH] = "";
  ASSERT_TRUE(SUCCEEDED(
      SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, program_files)));
  EXPECT_EQ(FolderProtection::For((std::string(program_files) + "\\Pellumara\\").c_str())
                .attributes(),
            nullptr);
}

// The setup's private folders in the temporary folder (the archive's, the
// settings work folder) take nothing from a temporary folder where others
// may add files, and nobody but SYSTEM, Administrators and the folder's
// owner may do anything in them. (Wine keeps no descriptor on a folder: the
// one the folders are made with is judged.)
TEST(FolderProtection, PrivateTemporaryFolderIsClosedToOthers) {
  FolderProtection protection = FolderProtection::ForPrivateFolder();
  const PACL dacl = ProtectedListOf(protection);
  ASSERT_NE(dacl, nullptr);
  ASSERT_GT(dacl->AceCount, 0u);
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
    ASSERT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    // No running user counts: the folder's owner is named by the owner's
    // placeholder, never by an account.
    EXPECT_TRUE(IsTrustedPrincipal(SidText(&ace->SidStart), ""))
        << SidText(&ace->SidStart) << " may enter the private folder";
  }
}

// An entry on the folder itself is read as such, one for what is created
// inside as that: Users who may change the folder itself make it one to
// protect.
TEST(FolderProtection, DescriptorEntriesAreReadForWhatTheyApplyTo) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
      "O:BAD:(A;;FA;;;SY)(A;;0x1301bf;;;BU)(A;OICIIO;GA;;;CO)", SDDL_REVISION_1, &descriptor,
      nullptr));
  FolderSecurity security;
  ReadDescriptor(descriptor, &security);
  LocalFree(descriptor);
  ASSERT_TRUE(security.read);
  EXPECT_EQ(security.owner_sid, "S-1-5-32-544");
  ASSERT_EQ(security.entries.size(), 3u);
  EXPECT_FALSE(security.entries[1].inherit_only);
  EXPECT_TRUE(security.entries[2].inherit_only);
  EXPECT_EQ(security.entries[2].inheritance, folder_inheritance::kFiles | folder_inheritance::kFolders);
  security.path = "C:\\Apps";
  EXPECT_EQ(JudgeExistingFolder({security}, true, "S-1-5-21-1-2-3-1001").action,
            ExistingFolderAction::kProtect);
}

// Stands in for the descriptors of a machine whose "C:\Tools" another user
// made; every other level reads as under Wine.
class PlantedOwnerReader final : public Win32FolderSecurityReader {
 public:
  bool Read(const std::string& level, FolderSecurity* security, ScopedHandle* held) override {
    if (level != "C:\\Tools") return Win32FolderSecurityReader::Read(level, security, held);
    security->path = level;
    security->read = true;
    security->owner_sid = "S-1-5-21-1-2-3-1002";
    return true;
  }
};

// The levels are read through handles to themselves: a folder this test
// made is its own and is left as it is; a level another user owns is
// refused, named with its owner.
TEST(FolderProtection, ExistingFolderOfAnotherUserIsRefusedAndOneOfOurOwnLeftAlone) {
  ScratchFolder scratch("existing-folder");
  Win32FolderSecurityReader reader;
  ASSERT_FALSE(reader.RunningUser().empty());
  ExistingFolderCheck check = CheckExistingFolder(scratch.path() + "\\", reader);
  EXPECT_TRUE(check.target_exists);
  ASSERT_FALSE(check.levels.empty());
  EXPECT_TRUE(check.levels.back().read);
  EXPECT_EQ(check.verdict.action, ExistingFolderAction::kLeave);
  // Nothing stands below a missing level.
  check = CheckExistingFolder(scratch / "new\\deeper", reader);
  EXPECT_FALSE(check.target_exists);
  const CodePageCharacters characters = CodePageCharacters::Of(SystemAnsiCodePage());
  EXPECT_EQ(check.levels.size(), FolderLevelsBelowRoot(scratch.path(), characters).size());

  PlantedOwnerReader planted;
  check = CheckExistingFolder("C:\\Tools\\Pellumara\\", planted);
  EXPECT_EQ(check.verdict.action, ExistingFolderAction::kRefuse);
  EXPECT_EQ(check.refused_path, "C:\\Tools");
  EXPECT_EQ(check.refused_owner, "S-1-5-21-1-2-3-1002");  // no such account
}

// Protecting an existing folder changes what is in it through handles to
// each item: a link inside is never followed to what it leads to.
TEST(FolderProtection, ProtectingAnExistingFolderNeverFollowsALinkInside) {
  Win32FolderSecurityReader reader;
  ScratchFolder scratch("protect-existing");
  ScratchFolder victim("protect-victim");
  WriteFileBytes(victim / "keep.txt", "mine");
  ASSERT_TRUE(CreateDirectoryA((scratch / "Plugins").c_str(), nullptr));
  WriteFileBytes(scratch / "Plugins\\old.dll", "old");
  const std::vector<std::string> payload = {"Plugins/old.dll"};
  EXPECT_TRUE(ProtectExistingFolder(scratch.path() + "\\", reader, payload));
  EXPECT_EQ(ReadFileBytes(scratch / "Plugins\\old.dll"), "old");

  if (!MakeHostLink(scratch / "Plugins\\linked", victim.path())) {
    GTEST_SKIP() << "no links on this file system";
  }
  const bool protected_all =
      ProtectExistingFolder(scratch.path() + "\\", reader, payload).protected_all;
  // Windows opens the link itself and removes it; where the link cannot be
  // opened as itself (Wine follows it), the protection fails instead.
  EXPECT_FALSE(protected_all && FolderExists(scratch / "Plugins\\linked"));
  EXPECT_EQ(ReadFileBytes(victim / "keep.txt"), "mine");
  EXPECT_TRUE(RemoveHostLink(scratch / "Plugins\\linked")) << "the link stayed";
}

// Each item is opened relative to its folder by its own name, never by the
// name the code page makes of it: there a fullwidth reverse solidus becomes
// "\\", and an item a standard user named "a\uFF3C..\uFF3C..\uFF3Cvictim"
// would lead out of the folder to a file that has a second name, which the
// walk removes as a link. Read by its own name it is none of the payload's
// files, which refuses the folder.
TEST(FolderProtection, ProtectingAnExistingFolderOpensEachItemByItsOwnName) {
  Win32FolderSecurityReader reader;
  ScratchFolder scratch("protect-names");
  const std::string target = scratch / "target";
  ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
  WriteFileBytes(scratch / "victim", "mine");
  ASSERT_TRUE(
      CreateHardLinkA((scratch / "victim-too").c_str(), (scratch / "victim").c_str(), nullptr));
  std::wstring planted(target.begin(), target.end());
  planted += L"\\a\uFF3C..\uFF3C..\uFF3Cvictim";
  ASSERT_TRUE(ScopedHandle(CreateFileW(planted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr)));
  EXPECT_FALSE(ProtectExistingFolder(target + "\\", reader, {"victim"}).refused_item.empty());
  EXPECT_EQ(ReadFileBytes(scratch / "victim"), "mine");
  EXPECT_NE(GetFileAttributesW(planted.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileW(planted.c_str());
}

// Stands in for the owners and rights of items another account made in
// the target: Wine keeps no descriptors of its own.
class PlantedItemReader final : public Win32FolderSecurityReader {
 public:
  void ReadItem(HANDLE item, const std::string& shown, FolderSecurity* security) override {
    Win32FolderSecurityReader::ReadItem(item, shown, security);
    if (shown.find("planted") != std::string::npos) security->owner_sid = "S-1-5-21-1-2-3-1002";
    if (shown.find("shared") != std::string::npos) {
      security->entries.push_back({"S-1-5-21-1-2-3-1002", true, false, 0x1f01ffu});
    }
  }
};

// The names in folder (files and folders) that begin with prefix.
std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  ScopedFind search(FindFirstFileA((folder + "\\" + prefix + "*").c_str(), &found));
  if (!search) return names;
  do {
    names.push_back(found.cFileName);
  } while (FindNextFileA(search.Get(), &found));
  return names;
}

constexpr char kQuarantine[] = "pmarag-quarantine-";

// What another account put into a folder others could write to is moved
// aside whole, a folder with everything in it, never emptied or deleted; a
// second name of a file elsewhere goes, never what it leads to; an item
// others may re-permission refuses the folder.
TEST(FolderProtection, WhatOthersPutIntoTheFolderIsMovedAsideOrRefusesIt) {
  ScratchFolder scratch("protect-by-others");
  ScratchFolder outside("protect-outside");
  WriteFileBytes(outside / "keep.txt", "mine");
  WriteFileBytes(scratch / "p_mara64.exe", "ours");
  WriteFileBytes(scratch / "planted.dll", "theirs");
  ASSERT_TRUE(CreateDirectoryA((scratch / "planted-folder").c_str(), nullptr));
  WriteFileBytes(scratch / "planted-folder\\x.dll", "theirs too");
  ASSERT_TRUE(CreateHardLinkA((scratch / "linked.txt").c_str(), (outside / "keep.txt").c_str(),
                              nullptr));
  PlantedItemReader reader;
  const std::vector<std::string> payload = {"p_mara64.exe"};
  const FolderProtectionResult moved = ProtectExistingFolder(scratch.path() + "\\", reader, payload);
  EXPECT_TRUE(moved);
  EXPECT_EQ(ReadFileBytes(scratch / "p_mara64.exe"), "ours");
  EXPECT_FALSE(FileExists(scratch / "planted.dll"));
  EXPECT_FALSE(FolderExists(scratch / "planted-folder"));
  EXPECT_FALSE(FileExists(scratch / "linked.txt"));
  EXPECT_EQ(ReadFileBytes(outside / "keep.txt"), "mine");
  // Both planted items stand in the target under quarantine names, the
  // folder with its file.
  ASSERT_EQ(moved.quarantined.size(), 2u);
  std::string contents;
  for (const QuarantinedItem& item : moved.quarantined) {
    EXPECT_EQ(item.owner, "S-1-5-21-1-2-3-1002");
    contents += FolderExists(item.moved_to) ? ReadFileBytes(item.moved_to + "\\x.dll")
                                            : ReadFileBytes(item.moved_to);
  }
  EXPECT_NE(contents.find("theirs too"), std::string::npos);
  EXPECT_EQ(NamesStartingWith(scratch.path(), kQuarantine).size(), 2u);

  WriteFileBytes(scratch / "shared.dll", "anyone's");
  const FolderProtectionResult result = ProtectExistingFolder(scratch.path() + "\\", reader, payload);
  EXPECT_FALSE(result);
  EXPECT_EQ(result.others_control, scratch / "shared.dll");
}

// Puts a folder of the test's own at the planted item's name once the walk
// has judged the item: the walk must move aside only what it judged.
std::string g_swapped_in;
void SwapPlantedItem(const std::string& shown) {
  if (MoveFileA(shown.c_str(), (shown + ".judged").c_str())) {
    CreateDirectoryA(shown.c_str(), nullptr);
    WriteFileBytes(shown + "\\ours.txt", "ours");
    g_swapped_in = shown;
  }
}

// Between the walk's judging and the move aside the name may lead to
// another item: what the name opens then is compared with the item judged,
// and another one stays where it is.
TEST(FolderProtection, AnItemSwappedInAfterTheJudgingIsNotMovedAside) {
  ScratchFolder scratch("protect-swapped");
  ASSERT_TRUE(CreateDirectoryA((scratch / "planted-folder").c_str(), nullptr));
  PlantedItemReader reader;
  g_swapped_in.clear();
  SetBeforeQuarantineHookForTests(SwapPlantedItem);
  const FolderProtectionResult result = ProtectExistingFolder(scratch.path() + "\\", reader, {});
  SetBeforeQuarantineHookForTests(nullptr);
  ASSERT_EQ(g_swapped_in, scratch / "planted-folder");
  EXPECT_FALSE(result);
  EXPECT_TRUE(result.quarantined.empty());
  EXPECT_EQ(ReadFileBytes(scratch / "planted-folder\\ours.txt"), "ours");
  EXPECT_TRUE(NamesStartingWith(scratch.path(), kQuarantine).empty());
}

// A tree deeper than the walk goes refuses the folder, named by its first
// level too deep, and is walked level by level without exhausting the
// stack; even where the payload's own names would lead that deep.
TEST(FolderProtection, ATreeDeeperThanTheWalkGoesRefusesTheFolder) {
  ScratchFolder scratch("protect-deep");
  std::string level = scratch.path();
  std::string entry;
  for (int depth = 0; depth < 40; ++depth) {
    level += "\\d";
    entry += "d/";
    ASSERT_TRUE(CreateDirectoryA(level.c_str(), nullptr)) << depth;
  }
  Win32FolderSecurityReader reader;
  const FolderProtectionResult result =
      ProtectExistingFolder(scratch.path() + "\\", reader, {entry + "f.dll"});
  EXPECT_FALSE(result);
  std::string too_deep = scratch.path();
  for (int depth = 0; depth < 32; ++depth) too_deep += "\\d";
  EXPECT_EQ(result.refused_item, too_deep);
  EXPECT_TRUE(FolderExists(level));
}

// Stands in for a target that every user may change (Users: modify), made
// by an administrator: Wine keeps no descriptors of its own.
class WritableTargetReader final : public Win32FolderSecurityReader {
 public:
  explicit WritableTargetReader(std::string target) : target_(std::move(target)) {}
  bool Read(const std::string& level, FolderSecurity* security, ScopedHandle* held) override {
    const bool read = Win32FolderSecurityReader::Read(level, security, held);
    if (read && level == target_) {
      security->entries.push_back({"S-1-5-32-545", true, false, 0x1301bfu,
                                   folder_inheritance::kFiles | folder_inheritance::kFolders});
    }
    return read;
  }

 private:
  std::string target_;
};

// In a folder others could write, whatever stands there could be theirs
// whoever owns it: only the payload's own names are kept, for the
// unpacking to replace. Anything else refuses the folder, and so does a
// read-only file of the payload, which the unpacking would keep.
TEST(FolderProtection, AFolderOthersCouldWriteKeepsNothingButThePayloadsNames) {
  ScratchFolder scratch("protect-payload-only");
  Win32FolderSecurityReader reader;
  const std::vector<std::string> payload = {"p_mara64.exe", "Skins/", "Skins/bar.png"};
  WriteFileBytes(scratch / "P_MARA64.EXE", "old viewer");
  ASSERT_TRUE(CreateDirectoryA((scratch / "Skins").c_str(), nullptr));
  WriteFileBytes(scratch / "Skins\\bar.png", "old skin");
  EXPECT_TRUE(ProtectExistingFolder(scratch.path() + "\\", reader, payload));

  WriteFileBytes(scratch / "Skins\\notes.txt", "someone's");
  FolderProtectionResult result = ProtectExistingFolder(scratch.path() + "\\", reader, payload);
  EXPECT_FALSE(result);
  EXPECT_EQ(result.refused_item, scratch / "Skins\\notes.txt");
  RemoveTree(scratch / "Skins");

  // The wizard's folder check, as a run sees it: the payload's names are
  // those of the archive the setup carries.
  ASSERT_TRUE(SetFileAttributesA((scratch / "P_MARA64.EXE").c_str(), FILE_ATTRIBUTE_READONLY));
  char folder[kPathSize];
  ASSERT_TRUE(CopyBounded(folder, sizeof folder, scratch.path() + "\\"));
  FolderProtection protection = FolderProtection::For(folder);
  WritableTargetReader writable(scratch.path());
  TargetFolderStage stage;
  EXPECT_FALSE(PrepareTargetFolder(folder, protection, writable, true, &stage));
  EXPECT_EQ(stage.message.bytes(),
            FillPlaceholders(LoadMessage(IDS_FOLDER_HOLDS_ITEM), "%s",
                             {scratch.path() + "\\", scratch / "P_MARA64.EXE"}));
  EXPECT_EQ(ReadFileBytes(scratch / "P_MARA64.EXE"), "old viewer");
  SetFileAttributesA((scratch / "P_MARA64.EXE").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Reads a level the chain is to make as missing once, as the check before
// the chain saw it; made meanwhile by another account.
class AppearingLevelReader final : public Win32FolderSecurityReader {
 public:
  explicit AppearingLevelReader(std::string level) : level_(std::move(level)) {}
  bool Read(const std::string& level, FolderSecurity* security, ScopedHandle* held) override {
    if (level != level_) return Win32FolderSecurityReader::Read(level, security, held);
    if (!seen_) return !(seen_ = true);
    const bool read = Win32FolderSecurityReader::Read(level, security, held);
    security->owner_sid = "S-1-5-21-1-2-3-1002";
    return read;
  }

 private:
  std::string level_;
  bool seen_ = false;
};

// A verdict holds for the folder judged: a level made between the check
// and the chain is judged like one that stood, and a level that is a link
// leads wherever its maker set it.
TEST(FolderProtection, LevelsMadeMeanwhileOrLinksAreJudged) {
  ScratchFolder scratch("appearing-level");
  ASSERT_TRUE(CreateDirectoryA((scratch / "Tools").c_str(), nullptr));
  char folder[kPathSize];
  ASSERT_TRUE(CopyBounded(folder, sizeof folder, scratch / "Tools\\Pellumara"));
  FolderProtection protection = FolderProtection::For(folder);
  ASSERT_TRUE(protection.applies());
  AppearingLevelReader appearing(scratch / "Tools");
  TargetFolderStage stage;
  EXPECT_FALSE(PrepareTargetFolder(folder, protection, appearing, true, &stage));
  EXPECT_NE(stage.message.bytes().find(scratch / "Tools"), std::string::npos) << stage.message.bytes();

  ScratchFolder elsewhere("appearing-elsewhere");
  if (!MakeHostLink(scratch / "link", elsewhere.path())) GTEST_SKIP() << "no links here";
  Win32FolderSecurityReader reader;
  const ExistingFolderCheck check = CheckExistingFolder(scratch / "link\\Pellumara", reader);
  EXPECT_EQ(check.verdict.action, ExistingFolderAction::kRefuse);
  EXPECT_EQ(check.refused_path, scratch / "link");
  EXPECT_TRUE(RemoveHostLink(scratch / "link")) << "the link stayed";
}


// Another program that opened "Tools" with the right to delete it, before
// the run, could rename it away after the check; the check holds each
// level from its first look without delete sharing, so such a level cannot
// be held and is refused, and while the check lives no such handle opens.
TEST(FolderProtection, LevelAnotherHandleMayRenameIsRefusedNotSkipped) {
  ScratchFolder scratch("held-open-level");
  const std::string tools = scratch / "Tools";
  ASSERT_TRUE(CreateDirectoryA(tools.c_str(), nullptr));
  auto open_for_delete = [&tools] {
    return ScopedHandle(CreateFileA(tools.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  };
  char folder[kPathSize];
  ASSERT_TRUE(CopyBounded(folder, sizeof folder, tools + "\\Pellumara"));
  FolderProtection protection = FolderProtection::For(folder);
  Win32FolderSecurityReader reader;
  {
    ScopedHandle other = open_for_delete();
    ASSERT_TRUE(other);
    TargetFolderStage stage;
    EXPECT_FALSE(PrepareTargetFolder(folder, protection, reader, true, &stage));
    EXPECT_NE(stage.message.bytes().find(tools), std::string::npos) << stage.message.bytes();
    EXPECT_FALSE(FolderExists(tools + "\\Pellumara"));
  }
  TargetFolderStage stage;
  ASSERT_TRUE(PrepareTargetFolder(folder, protection, reader, true, &stage)) << stage.logged;
  EXPECT_FALSE(open_for_delete()) << "a level held by the check could be opened to rename it";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

// "Tools" lets Authenticated Users rename it (it would be secured) and
// "Tools\Apps" lets Users change its permissions: a handle opened with that
// right before the run survives any list the setup gives it. The folder is
// refused, naming "Tools\Apps", before any level is secured.
class RepermissionReader final : public Win32FolderSecurityReader {
 public:
  explicit RepermissionReader(std::string tools) : tools_(std::move(tools)) {}
  bool Read(const std::string& level, FolderSecurity* security, ScopedHandle* held) override {
    const bool read = Win32FolderSecurityReader::Read(level, security, held);
    if (level != tools_ && level != tools_ + "\\Apps") return read;
    security->read = true;
    security->owner_sid = "S-1-5-32-544";
    security->has_access_list = true;
    security->entries = {{"S-1-5-32-544", true, false, 0x1f01ffu},
                         {"S-1-5-11", true, false, 0x1301bfu}};
    if (level != tools_) security->entries.push_back({"S-1-5-32-545", true, false, 0x40000u});
    return read;
  }

 private:
  std::string tools_;
};

TEST(FolderProtection, LevelAboveOthersMayRepermissionIsRefusedBeforeAnyIsSecured) {
  ScratchFolder scratch("repermission-level");
  ASSERT_TRUE(CreateDirectoryA((scratch / "Tools").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((scratch / "Tools\\Apps").c_str(), nullptr));
  char folder[kPathSize];
  ASSERT_TRUE(CopyBounded(folder, sizeof folder, scratch / "Tools\\Apps\\Pellumara"));
  FolderProtection protection = FolderProtection::For(folder);
  RepermissionReader reader(scratch / "Tools");
  const ExistingFolderCheck check = CheckExistingFolder(folder, reader);
  EXPECT_EQ(check.verdict.action, ExistingFolderAction::kRefuse);
  EXPECT_EQ(check.refused_path, scratch / "Tools\\Apps");
  EXPECT_TRUE(check.verdict.levels_to_secure.empty());
  TargetFolderStage stage;
  EXPECT_FALSE(PrepareTargetFolder(folder, protection, reader, true, &stage));
  EXPECT_NE(stage.message.bytes().find(scratch / "Tools\\Apps"), std::string::npos)
      << stage.message.bytes();
  EXPECT_FALSE(FolderExists(folder));
}


// The folder the path names when the unpacking begins must be the very one
// judged and held: a held handle that stands for another folder than the
// path (as after a swap the holds should prevent) refuses the target.
class SwappedTargetReader final : public Win32FolderSecurityReader {
 public:
  SwappedTargetReader(std::string target, std::string other)
      : target_(std::move(target)), other_(std::move(other)) {}
  bool Read(const std::string& level, FolderSecurity* security, ScopedHandle* held) override {
    return Win32FolderSecurityReader::Read(level == target_ ? other_ : level, security, held);
  }

 private:
  std::string target_;
  std::string other_;
};

TEST(FolderProtection, TargetThatIsNotTheFolderHeldIsRefused) {
  ScratchFolder scratch("swapped-target");
  ASSERT_TRUE(CreateDirectoryA((scratch / "Pellumara").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((scratch / "Other").c_str(), nullptr));
  char folder[kPathSize];
  ASSERT_TRUE(CopyBounded(folder, sizeof folder, scratch / "Pellumara"));
  FolderProtection protection = FolderProtection::For(folder);
  Win32FolderSecurityReader reader;
  TargetFolderStage stage;
  ASSERT_TRUE(PrepareTargetFolder(folder, protection, reader, true, &stage)) << stage.logged;
  ASSERT_TRUE(CopyBounded(folder, sizeof folder, scratch / "Pellumara"));
  SwappedTargetReader swapped(scratch / "Pellumara", scratch / "Other");
  TargetFolderStage refused;
  EXPECT_FALSE(PrepareTargetFolder(folder, protection, swapped, true, &refused));
  EXPECT_NE(refused.message.bytes().find(scratch / "Pellumara"), std::string::npos)
      << refused.message.bytes();
}


// Reads the target as an earlier installation another user took over.
class OtherUsersTargetReader final : public Win32FolderSecurityReader {
 public:
  explicit OtherUsersTargetReader(std::string target) : target_(std::move(target)) {}
  bool Read(const std::string& level, FolderSecurity* security, ScopedHandle* held) override {
    const bool read = Win32FolderSecurityReader::Read(level, security, held);
    if (level == target_) security->owner_sid = "S-1-5-21-1-2-3-1002";
    return read;
  }

 private:
  std::string target_;
};

// An earlier installation under Program Files is judged like any other:
// that its folder lies there says nothing about who was let in since.
TEST(FolderProtection, EarlierInstallationInProgramFilesIsJudgedToo) {
  wchar_t wide[MAX_PATH] = L"";
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr,
                                         SHGFP_TYPE_CURRENT, wide)));
  char program_files[MAX_PATH] = "";
  ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, wide, -1, program_files, MAX_PATH, nullptr, nullptr), 0);
  const std::string target = std::string(program_files) + "\\pellumara-judged";
  ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr) ||
              GetLastError() == ERROR_ALREADY_EXISTS);
  char folder[kPathSize];
  ASSERT_TRUE(CopyBounded(folder, sizeof folder, target));
  FolderProtection protection = FolderProtection::For(folder);
  EXPECT_FALSE(protection.applies());
  OtherUsersTargetReader reader(target);
  {
    TargetFolderStage stage;
    EXPECT_FALSE(PrepareTargetFolder(folder, protection, reader, true, &stage));
    EXPECT_NE(stage.message.bytes().find(target), std::string::npos) << stage.message.bytes();
  }
  RemoveDirectoryA(target.c_str());
}

}  // namespace

