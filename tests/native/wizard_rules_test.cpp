#include "rules/wizard_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "code_page_samples.h"
#include "common/install_options.h"

namespace {

// The browse result in a heap buffer of exactly kPathSize bytes.
std::string AfterBrowse(const std::string& picked,
                        const CodePageCharacters& characters = samples::Western()) {
  char* buffer = new char[kPathSize];
  std::memset(buffer, 'x', kPathSize);
  std::memcpy(buffer, picked.c_str(), picked.size() + 1);
  AppendProductFolder(buffer, characters);
  std::string result = buffer;
  delete[] buffer;
  return result;
}

TEST(TargetFolderHasDrive, AcceptsOnlyADriveRootAtTheStart) {
  EXPECT_TRUE(TargetFolderHasDrive("C:\\Program Files\\Pellumara"));
  EXPECT_TRUE(TargetFolderHasDrive("C:\\x "));
  EXPECT_TRUE(TargetFolderHasDrive("d:\\"));
  EXPECT_FALSE(TargetFolderHasDrive(""));
  EXPECT_FALSE(TargetFolderHasDrive("C"));
  EXPECT_FALSE(TargetFolderHasDrive("D:"));
  EXPECT_FALSE(TargetFolderHasDrive("C:Pellumara"));
  EXPECT_FALSE(TargetFolderHasDrive("1:\\x"));
  EXPECT_FALSE(TargetFolderHasDrive("Pellumara"));
  EXPECT_FALSE(TargetFolderHasDrive("\\Programs\\Pellumara"));
  EXPECT_FALSE(TargetFolderHasDrive("\\\\server\\share\\Pellumara"));
  EXPECT_FALSE(TargetFolderHasDrive(" C:\\x"));
}

TEST(AppendProductFolder, AddsPellumaraBelowAnOtherFolderAndADriveRoot) {
  EXPECT_EQ(AfterBrowse("D:\\Apps"), "D:\\Apps\\Pellumara\\");
  EXPECT_EQ(AfterBrowse("D:\\Apps\\"), "D:\\Apps\\Pellumara\\");
  EXPECT_EQ(AfterBrowse("D:\\"), "D:\\Pellumara\\");
  EXPECT_EQ(AfterBrowse("C:\\Program Files\\Sub\\Deep"), "C:\\Program Files\\Sub\\Deep\\Pellumara\\");
}

TEST(AppendProductFolder, FolderEndingInADoubleByteCharacterIsOneLevel) {
  const std::string folder = std::string("D:\\") + samples::kFurii + samples::kSo;
  EXPECT_EQ(AfterBrowse(folder, samples::Japanese()), folder + "\\Pellumara\\");
  // "表Pellumara" is not named Pellumara.
  const std::string other = std::string("D:\\") + samples::kHyo + "Pellumara";
  EXPECT_EQ(AfterBrowse(other, samples::Japanese()), other + "\\Pellumara\\");
}

TEST(AppendProductFolder, KeepsAFolderAlreadyNamedPellumaraInAnyCase) {
  EXPECT_EQ(AfterBrowse("D:\\Apps\\pellumara"), "D:\\Apps\\pellumara\\");
  EXPECT_EQ(AfterBrowse("D:\\Apps\\PELLUMARA\\"), "D:\\Apps\\PELLUMARA\\");
  EXPECT_EQ(AfterBrowse("D:\\Pellumara"), "D:\\Pellumara\\");
  // Only the last name counts.
  EXPECT_EQ(AfterBrowse("D:\\Pellumara\\Old"), "D:\\Pellumara\\Old\\Pellumara\\");
}

TEST(AppendProductFolder, LeavesPathsWithoutAnInnerBackslashAlone) {
  // A share root as the folder dialog would not give it, and a bare name.
  EXPECT_EQ(AfterBrowse("\\Apps"), "\\Apps\\");
  EXPECT_EQ(AfterBrowse("Apps"), "Apps\\");
}

TEST(AppendProductFolder, NeverWritesPastTheBuffer) {
  std::string near_full = "D:\\" + std::string(250, 'a');  // 253 characters
  EXPECT_EQ(AfterBrowse(near_full), near_full + "\\");
  std::string full = "D:\\" + std::string(256, 'a');  // 259 characters, no room for "\"
  EXPECT_EQ(AfterBrowse(full), full);
  std::string fits = "D:\\" + std::string(245, 'a');  // 248 + "\" + "Pellumara\" = 259
  EXPECT_EQ(AfterBrowse(fits), fits + "\\Pellumara\\");
}

TEST(FindNeighbourIndex, StepsOverExcludedPagesAndStopsAtTheEnds) {
  const int all[5] = {1, 1, 1, 1, 1};
  EXPECT_EQ(FindNeighbourIndex(all, 5, 0, true), 1);
  EXPECT_EQ(FindNeighbourIndex(all, 5, 3, true), 4);
  EXPECT_EQ(FindNeighbourIndex(all, 5, 4, true), -1);
  EXPECT_EQ(FindNeighbourIndex(all, 5, 1, false), 0);
  EXPECT_EQ(FindNeighbourIndex(all, 5, 0, false), -1);

  const int some[5] = {1, 0, 0, 1, 0};
  EXPECT_EQ(FindNeighbourIndex(some, 5, 0, true), 3);
  EXPECT_EQ(FindNeighbourIndex(some, 5, 3, true), -1);
  EXPECT_EQ(FindNeighbourIndex(some, 5, 3, false), 0);
  EXPECT_EQ(FindNeighbourIndex(some, 5, 2, false), 0);
  EXPECT_EQ(FindNeighbourIndex(some, 0, 0, true), -1);
}

}  // namespace
