// The registry side of the system integration, run against scratch hives:
// program registration, uninstall entry, verbs and the association pass.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/code_page_bytes.h"
#include "common/product_version.h"
#include "integration/file_associations.h"
#include "integration/integrate_with_system.h"
#include "rules/format_catalogue.h"
#include "rules/integration_texts.h"
#include "support/registry_dump.h"
#include "support/scratch.h"

namespace {

const char kFolder[] = " C:\\Tools\\Pellumara ";
const char kViewer[] = "C:\\Tools\\Pellumara\\p_mara64.exe";
const std::string kClasses = "HKLM\\SOFTWARE\\Classes";
const std::string kCapabilityValues = "HKLM\\SOFTWARE\\Pellumara\\Capabilities\\FileAssociations";
const std::string kUninstall =
    "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellumara64";
const std::string kFileExts =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

std::string Sz(const std::string& text) { return "sz:" + text; }

struct Marks {
  int values[kFormatCount] = {};
};
Marks None() { return {}; }
Marks ImagesOnly() {
  Marks marks;
  SelectImagesOnly(marks.values);
  return marks;
}
Marks All() {
  Marks marks;
  SelectAll(marks.values);
  return marks;
}

// The registry part only: no link is asked for. The folder is made
// canonical as the caller makes it.
IntegrationRequest RequestFor(const Marks& marks, int confirmed = 1, const char* folder = kFolder,
                              AssociationRule rule = AssociationRule::kUsersChoice) {
  IntegrationRequest request;
  request.program_folder = ProgramFolder(folder, CodePageCharacters::Of(SystemAnsiCodePage()));
  request.marks = ConfirmedMarks(marks.values, confirmed != 0);
  request.associations_confirmed = confirmed != 0;
  request.notify_shell = true;
  request.association_rule = rule;
  return request;
}

RegistryDump Integrate(const Marks& marks, int confirmed = 1, const char* folder = kFolder,
                       AssociationRule rule = AssociationRule::kUsersChoice) {
  EXPECT_EQ(IntegrateWithSystem(RequestFor(marks, confirmed, folder, rule)).failed_entries, 0);
  return DumpRegistry();
}

// Extensions of the catalogue, with the row they belong to.
std::vector<std::pair<int, Registration>> EveryRegistration() {
  std::vector<std::pair<int, Registration>> all;
  for (int row = 0; row < kFormatCount; ++row) {
    for (int i = 0; i < FormatCatalogue[row].registration_count(); ++i) {
      all.push_back({row, FormatCatalogue[row].registrations[i]});
    }
  }
  return all;
}

class ScratchRegistry : public ::testing::Test {
 protected:
  RegistryOverride registry_{"registration"};
};
class ProgramRegistration : public ScratchRegistry {};
class AssociationPass : public ScratchRegistry {};

TEST_F(ProgramRegistration, WritesTheApplicationAndItsUninstallEntry) {
  RegistryDump dump = Integrate(None());
  EXPECT_EQ(dump.Value(kClasses + "\\Pellumara"), Sz("Pellumara"));
  const std::string open = Sz(std::string("\"") + kViewer + "\" \"%1\"");
  EXPECT_EQ(dump.Value(kClasses + "\\Pellumara\\shell\\open\\command"), open);
  EXPECT_FALSE(dump.HasKey(kClasses + "\\Pellumara\\DefaultIcon"));
  EXPECT_EQ(dump.Value("HKCR\\Applications\\p_mara64.exe\\shell\\open\\command"), open);
  EXPECT_EQ(dump.Value("HKCR\\Applications\\p_mara64.exe", "FriendlyAppName"),
            Sz("Pellumara 64-bit"));

  EXPECT_EQ(dump.Value(kUninstall), Sz(""));
  EXPECT_EQ(dump.ValueNames(kUninstall).size(), 10u);  // the default and nine named values
  EXPECT_EQ(dump.Value(kUninstall, "DisplayName"), Sz("Pellumara 64 (remove only)"));
  EXPECT_EQ(dump.Value(kUninstall, "UninstallString"),
            Sz("\"C:\\Tools\\Pellumara\\pm_uninstall.exe\""));
  EXPECT_EQ(dump.Value(kUninstall, "Publisher"), Sz("Kestrelwood"));
  EXPECT_EQ(dump.Value(kUninstall, "InstallLocation"), Sz(kViewer));
  EXPECT_EQ(dump.Value(kUninstall, "DisplayVersion"), Sz(PELLUMARA_VERSION_TEXT));
  EXPECT_EQ(dump.Value(kUninstall, "DisplayIcon"), Sz(std::string(kViewer) + ",0"));
  EXPECT_EQ(dump.Value(kUninstall, "VersionMajor"),
            "dword:" + std::to_string(PELLUMARA_VERSION_MAJOR));
  EXPECT_EQ(dump.Value(kUninstall, "VersionMinor"),
            "dword:" + std::to_string(PELLUMARA_VERSION_MINOR));
  EXPECT_EQ(dump.Value(kUninstall, "EstimatedSize"), "dword:5120");

  EXPECT_EQ(dump.Value("HKLM\\SOFTWARE\\Pellumara\\shell\\open\\command"),
            Sz(std::string("\"") + kViewer + "\""));
  EXPECT_EQ(dump.Value("HKLM\\SOFTWARE\\Pellumara\\Capabilities", "ApplicationDescription"),
            Sz("Picture viewer, editor and converter - one of the most popular viewers worldwide"));
  // Without the thumbnails link there are no folder and drive verbs.
  EXPECT_FALSE(dump.HasKey(kClasses + "\\Directory"));
  EXPECT_FALSE(dump.HasKey(kClasses + "\\Drive"));
}

TEST_F(ProgramRegistration, RegisteredApplicationsIsOpenedNeverCreated) {
  RegistryDump without = Integrate(None());
  EXPECT_FALSE(without.HasKey("HKLM\\SOFTWARE\\RegisteredApplications"));

  SetRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications", "Other", "x");
  RegistryDump with = Integrate(None());
  EXPECT_EQ(with.Value("HKLM\\SOFTWARE\\RegisteredApplications", "Pellumara"),
            Sz("SOFTWARE\\Pellumara\\Capabilities"));
  EXPECT_EQ(with.Value("HKLM\\SOFTWARE\\RegisteredApplications", "Other"), Sz("x"));
}

TEST_F(ProgramRegistration, GenericClassLosesAnEarlierIcon) {
  SetRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pellumara\\DefaultIcon", nullptr,
                    "x,1");
  EXPECT_FALSE(Integrate(None()).HasKey(kClasses + "\\Pellumara\\DefaultIcon"));
}

TEST_F(ProgramRegistration, SecondInstallationReplacesTheEntryInPlace) {
  Integrate(All(), 1, "C:\\First Place");
  RegistryDump second = Integrate(None(), 1, "D:\\Second\\");
  EXPECT_EQ(second.Children("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"),
            NameSet{"Pellumara64"});
  EXPECT_EQ(second.Value(kUninstall, "InstallLocation"), Sz("D:\\Second\\p_mara64.exe"));
  EXPECT_EQ(second.Value(kUninstall, "UninstallString"), Sz("\"D:\\Second\\pm_uninstall.exe\""));
  EXPECT_EQ(second.Value(kClasses + "\\Pellumara.png\\shell\\open\\command"),
            Sz("\"D:\\Second\\p_mara64.exe\" \"%1\""));
}

TEST_F(ProgramRegistration, ThumbnailsBringTheFolderAndDriveVerbs) {
  IntegrationRequest request = RequestFor(None());
  request.thumbnails_link = true;
  request.notify_shell = false;
  EXPECT_EQ(IntegrateWithSystem(request).failed_entries, 0);
  RegistryDump dump = DumpRegistry();
  const std::string browse = Sz(std::string("\"") + kViewer + "\" \"%1 /thumbs\"");
  for (const char* shell : {"\\Directory\\shell\\", "\\Drive\\shell\\"}) {
    const std::string verb = kClasses + shell + "Browse with &Pellumara";
    EXPECT_EQ(dump.Value(verb), Sz("Browse with &Pellumara"));
    EXPECT_EQ(dump.Value(verb + "\\command"), browse);
  }
  char desktop[MAX_PATH];
  SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop);
  std::string link = std::string(desktop) + "\\Pellumara 64 Thumbnails.lnk";
  EXPECT_TRUE(FileExists(link));
  DeleteFileA(link.c_str());
}

TEST_F(AssociationPass, EveryTypeIsRegisteredButNoExtensionTakenWithoutMarks) {
  RegistryDump dump = Integrate(None());
  NameSet prog_ids = dump.Children(kClasses, "Pellumara.");
  EXPECT_EQ(prog_ids.size(), 73u);
  EXPECT_EQ(dump.ValueNames(kCapabilityValues).size(), 73u);
  for (const std::string& prog_id : prog_ids) {
    const std::string type = prog_id.substr(std::strlen("Pellumara."));
    EXPECT_EQ(dump.Value(kCapabilityValues, "." + type), Sz(prog_id));
    EXPECT_EQ(dump.Value(kClasses + "\\" + prog_id), Sz(TypeText(type.c_str())));
    EXPECT_EQ(dump.Value(kClasses + "\\" + prog_id + "\\shell\\open\\command"),
              Sz(std::string("\"") + kViewer + "\" \"%1\""));
    EXPECT_NE(dump.Value(kClasses + "\\" + prog_id + "\\DefaultIcon"), "<missing>") << prog_id;
  }
  EXPECT_TRUE(dump.Children(kClasses, ".").empty());
  EXPECT_TRUE(dump.Children("HKCU").empty());
}

TEST_F(AssociationPass, ValuesOfTheCatalogue) {
  RegistryDump dump = Integrate(None());
  auto icon = [&](const char* type) {
    return dump.Value(kClasses + "\\Pellumara." + type + "\\DefaultIcon");
  };
  for (const char* own : {"ani", "cur", "icl", "ico"}) EXPECT_EQ(icon(own), Sz("%1")) << own;
  for (const char* video : {"asf", "avi", "mpg", "mpe", "mov", "wmv"}) {
    EXPECT_EQ(icon(video), Sz(std::string(kViewer) + ",9")) << video;
  }
  for (const char* audio : {"aif", "mid", "rmi", "med", "mp3", "ogg", "ra", "au", "wav", "wma"}) {
    EXPECT_EQ(icon(audio), Sz(std::string(kViewer) + ",8")) << audio;
  }
  for (const char* other : {"png", "jpg", "swf", "ttf", "iff"}) {
    EXPECT_EQ(icon(other), Sz(std::string(kViewer) + ",0")) << other;
  }
  EXPECT_EQ(dump.Value(kClasses + "\\Pellumara.mp3"), Sz("Pellumara MP3 File"));
  EXPECT_EQ(dump.Value(kClasses + "\\Pellumara.jpg"), Sz("Pellumara JPG File"));
  // Aliases are no types of their own; mpe and jng are.
  for (const char* alias : {"jpeg", "jpe", "mpeg", "lbm", "sun", "rgb", "tiff", "dib", "snd"}) {
    EXPECT_FALSE(dump.HasKey(kClasses + "\\Pellumara." + alias)) << alias;
    EXPECT_EQ(dump.Value(kCapabilityValues, std::string(".") + alias), "<missing>") << alias;
  }
  EXPECT_TRUE(dump.HasKey(kClasses + "\\Pellumara.mpe"));
  EXPECT_TRUE(dump.HasKey(kClasses + "\\Pellumara.jng"));
}

TEST_F(AssociationPass, ImagesOnlyTakesTheExtensionsOfTheImageRows) {
  RegistryDump dump = Integrate(ImagesOnly());
  int taken = 0;
  for (const auto& [row, registration] : EveryRegistration()) {
    const std::string extension = registration.extension;
    const std::string prog_id = ProgId(registration.type_name);
    const bool marked = row <= 51;
    taken += marked;
    EXPECT_EQ(dump.Value(kClasses + "\\." + extension), marked ? Sz(prog_id) : "<missing>")
        << extension;
    EXPECT_EQ(dump.Value(kFileExts + "\\." + extension + "\\UserChoice", "Progid"),
              marked ? Sz(prog_id) : "<missing>")
        << extension;
  }
  EXPECT_EQ(taken, 69);
  EXPECT_EQ(dump.Children(kClasses, ".").size(), 69u);
  EXPECT_EQ(dump.Children(kFileExts).size(), 69u);
  EXPECT_EQ(dump.Children(kClasses, "Pellumara.").size(), 73u);
  EXPECT_EQ(dump.ValueNames(kCapabilityValues).size(), 73u);
  for (const char* jpeg : {"jpg", "jpeg", "jpe"}) {
    EXPECT_EQ(dump.Value(kClasses + "\\." + jpeg), Sz("Pellumara.jpg"));
  }
  EXPECT_EQ(dump.Value(kClasses + "\\.lbm"), Sz("Pellumara.iff"));
  EXPECT_EQ(dump.Value(kClasses + "\\.sun"), Sz("Pellumara.ras"));
  EXPECT_EQ(dump.Value(kClasses + "\\.rgb"), Sz("Pellumara.sgi"));
  EXPECT_FALSE(dump.HasKey(kClasses + "\\.swf"));
}

TEST_F(AssociationPass, AllMarksTakeVideoAndAudioToo) {
  RegistryDump dump = Integrate(All());
  EXPECT_EQ(dump.Children(kClasses, ".").size(), 90u);
  EXPECT_EQ(dump.Value(kClasses + "\\.mpe"), Sz("Pellumara.mpe"));
  EXPECT_EQ(dump.Value(kClasses + "\\.mpeg"), Sz("Pellumara.mpg"));
  EXPECT_EQ(dump.Value(kFileExts + "\\.snd\\UserChoice", "Progid"), Sz("Pellumara.au"));
}

TEST(AssociationQuestion, DecliningGivesTheSameAsNoMarks) {
  std::string declined, unmarked;
  {
    RegistryOverride scratch("declined");
    declined = Integrate(All(), 0).Text();
  }
  {
    RegistryOverride scratch("unmarked");
    unmarked = Integrate(None(), 1).Text();
  }
  EXPECT_EQ(declined, unmarked);
  EXPECT_NE(declined.find("Pellumara.jpg"), std::string::npos);
}

TEST_F(AssociationPass, UnmarkedRowsKeepWhatTheyHad) {
  SetRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.png", nullptr, "Other.png");
  SetRegistryString(
      HKEY_CURRENT_USER,
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.png\\UserChoice",
      "Progid", "Other.png");
  Marks audio_only;
  audio_only.values[62] = 1;  // MP3
  Integrate(audio_only);
  RegistryDump dump = Integrate(None());
  EXPECT_EQ(dump.Value(kClasses + "\\.png"), Sz("Other.png"));
  EXPECT_EQ(dump.Value(kFileExts + "\\.png\\UserChoice", "Progid"), Sz("Other.png"));
  // Marked before, unmarked now: nothing is removed.
  EXPECT_EQ(dump.Value(kClasses + "\\.mp3"), Sz("Pellumara.mp3"));
  EXPECT_EQ(dump.Value(kFileExts + "\\.mp3\\UserChoice", "Progid"), Sz("Pellumara.mp3"));
}

TEST_F(AssociationPass, MarkedRowReplacesAnotherProgramsChoice) {
  const std::string choice =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.gif\\UserChoice";
  SetRegistryString(HKEY_CURRENT_USER, choice, "Progid", "Other.gif");
  SetRegistryString(HKEY_CURRENT_USER, choice, "Hash", "abc");
  SetRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.gif", nullptr, "Other.gif");
  RegistryDump dump = Integrate(ImagesOnly());
  EXPECT_EQ(dump.Value(kClasses + "\\.gif"), Sz("Pellumara.gif"));
  EXPECT_EQ(dump.ValueNames(kFileExts + "\\.gif\\UserChoice"), NameSet{"Progid"});
  EXPECT_EQ(dump.Value(kFileExts + "\\.gif\\UserChoice", "Progid"), Sz("Pellumara.gif"));
}

// Run as SYSTEM, HKCU is SYSTEM's own hive: a marked row becomes the
// machine's default only, and no user's choice is written there.
TEST_F(AssociationPass, AsSystemNoUsersChoiceIsWritten) {
  RegistryDump dump = Integrate(ImagesOnly(), 1, kFolder, AssociationRule::kMachineDefaultOnly);
  EXPECT_EQ(dump.Value(kClasses + "\\.gif"), Sz("Pellumara.gif"));
  EXPECT_FALSE(dump.HasKey(kFileExts + "\\.gif\\UserChoice"));
}

// Since Windows 8 only the user can choose a default app: the user's
// choice, with the shell's hash, stays as it was, and no other is made; the
// registration is written as before.
TEST_F(AssociationPass, OnWindows8AndLaterTheUsersChoiceIsLeftAlone) {
  const std::string choice =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.png\\UserChoice";
  SetRegistryString(HKEY_CURRENT_USER, choice, "Progid", "Other.png");
  SetRegistryString(HKEY_CURRENT_USER, choice, "Hash", "abc");
  RegistryDump dump = Integrate(ImagesOnly(), 1, kFolder, AssociationRule::kRegisterOnly);
  EXPECT_EQ(dump.Value(kFileExts + "\\.png\\UserChoice", "Progid"), Sz("Other.png"));
  EXPECT_EQ(dump.Value(kFileExts + "\\.png\\UserChoice", "Hash"), Sz("abc"));
  EXPECT_FALSE(dump.HasKey(kFileExts + "\\.gif\\UserChoice"));
  EXPECT_EQ(dump.Value(kClasses + "\\.png"), Sz("Pellumara.png"));
  EXPECT_EQ(dump.Value(kCapabilityValues, ".png"), Sz("Pellumara.png"));
}

TEST_F(AssociationPass, NothingOfTheCapabilitiesWithoutTheirKey) {
  // The pass on its own, before the registration has made the capability key.
  IntegrationRequest request = RequestFor(ImagesOnly());
  request.notify_shell = false;
  RunAssociationPass(request, kViewer);
  RegistryDump dump = DumpRegistry();
  EXPECT_FALSE(dump.HasKey(kCapabilityValues));
  EXPECT_EQ(dump.Children(kClasses, "Pellumara.").size(), 73u);
  EXPECT_EQ(dump.Value(kClasses + "\\.jpe"), Sz("Pellumara.jpg"));
}

}  // namespace
