// Proposing the target folder from the registry of an earlier installation.
#include "integration/install_folder.h"

#include <gtest/gtest.h>

#include <string>

#include "common/install_options.h"
#include "support/scratch.h"

namespace {

const char kOpenCommandKey[] = "SOFTWARE\\Classes\\Pellumara\\shell\\open\\command";
const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

struct Proposal {
  int status;
  std::string folder;
};

Proposal Previous() {
  char out[kPathSize] = "garbage";
  int status = FindPreviousInstallFolder(out);
  return {status, out};
}

std::string Proposed() {
  char out[kPathSize] = "";
  ProposeTargetFolder(out);
  return out;
}

TEST(InstallFolder, EarlierInstallationIsProposed) {
  RegistryOverride registry("earlier");
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr,
                    "\"D:\\Tools\\Pellumara\\p_mara64.exe\" \"%1\"");
  Proposal previous = Previous();
  EXPECT_EQ(previous.status, 1);
  EXPECT_EQ(previous.folder, "D:\\Tools\\Pellumara\\");
  EXPECT_EQ(Proposed(), "D:\\Tools\\Pellumara\\");
}

TEST(InstallFolder, UnquotedCommandKeepsTheDriveLetter) {
  RegistryOverride registry("unquoted");
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr,
                    "D:\\Tools\\Pellumara\\p_mara64.exe \"%1\"");
  EXPECT_EQ(Previous().folder, "D:\\Tools\\Pellumara\\");
}

TEST(InstallFolder, OtherProgramFallsBackToProgramFiles) {
  RegistryOverride registry("other");
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr, "\"D:\\Other\\view.exe\" \"%1\"");
  SetRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir", "E:\\Programme");
  Proposal previous = Previous();
  EXPECT_EQ(previous.status, 0);
  EXPECT_EQ(previous.folder, "");
  EXPECT_EQ(Proposed(), "E:\\Programme\\Pellumara");

  SetRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir", "E:\\Programme\\");
  EXPECT_EQ(Proposed(), "E:\\Programme\\Pellumara");
}

TEST(InstallFolder, NothingRegisteredGivesTheFallback) {
  RegistryOverride registry("nothing");
  EXPECT_EQ(Previous().status, 0);
  EXPECT_EQ(Proposed(), "C:\\Pellumara\\");

  // A key without the value, and an empty value, propose the fallback too.
  SetRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "Other", "x");
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr, "");
  EXPECT_EQ(Previous().status, 0);
  EXPECT_EQ(Proposed(), "C:\\Pellumara\\");
}

// A command whose folder the code page cannot hold ("Ł" under 1252) is not
// the setup's own: neither its look-alike ("L") nor its "?" form names the
// earlier installation.
TEST(InstallFolder, CommandBeyondTheCodePageProposesNothing) {
  RegistryOverride registry("beyond");
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kOpenCommandKey, 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const wchar_t command[] = L"\"D:\\\u0141odz\\p_mara64.exe\" \"%1\"";
  const LONG set = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                                  sizeof command);
  RegCloseKey(key);
  ASSERT_EQ(set, ERROR_SUCCESS);
  Proposal previous = Previous();
  EXPECT_EQ(previous.status, 0);
  EXPECT_EQ(previous.folder, "");
  EXPECT_EQ(Proposed(), "C:\\Pellumara\\");
}

TEST(InstallFolder, OverlongValuesStayInTheirBuffers) {
  RegistryOverride registry("overlong");
  std::string folder = "D:\\" + std::string(300, 'p') + "\\";
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr, "\"" + folder + "p_mara64.exe\"");
  SetRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir",
                    "E:\\" + std::string(254, 'q'));
  EXPECT_EQ(Previous().status, 0);
  EXPECT_EQ(Proposed(), "C:\\Pellumara\\");  // Program Files plus "\Pellumara" would not fit
}

TEST(InstallFolder, RealRegistryProposesProgramFiles) {
  EXPECT_EQ(Proposed(), "C:\\Program Files\\Pellumara");
}

}  // namespace
