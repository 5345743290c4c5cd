// The permissions an elevated setup gives a target folder it creates.
#include "engine/folder_protection.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string SidText(PSID sid) {
  char* text = nullptr;
  if (!ConvertSidToStringSidA(sid, &text)) return "<no sid>";
  std::string result = text;
  LocalFree(text);
  return result;
}

// The tests run elevated, as Wine runs every program. Outside Program Files
// the new folder gets their permissions, protected from its parent's; a
// folder in Program Files inherits theirs.
TEST(FolderProtection, NewFolderOutsideProgramFilesGetsTheirPermissions) {
  FolderProtection protection = FolderProtection::For("C:\\Tools\\Pellumara\\");
  ASSERT_NE(protection.attributes(), nullptr);
  PSECURITY_DESCRIPTOR descriptor = protection.attributes()->lpSecurityDescriptor;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED);
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
  ASSERT_TRUE(present && dacl != nullptr);
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
            "S-1-3-0 10000000 b\n");   // creator owner: all, below only

  char program_files[MAX_PATH] = "";
  ASSERT_TRUE(SUCCEEDED(
      SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, program_files)));
  EXPECT_EQ(FolderProtection::For((std::string(program_files) + "\\Pellumara\\").c_str())
                .attributes(),
            nullptr);
}

}  // namespace
