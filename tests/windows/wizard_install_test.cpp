// The real wizard installing: the associations list and its marks, the
// ready page and its checks, the installation with and without association
// changes, a failed one, and the finish page's actions, read back from the
// prefix as the silent installation tests read it.
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/messages.h"
#include "common/scoped_win.h"
#include "common/windows_version.h"
#include "engine/flow/setup_log.h"
#include "rules/format_catalogue.h"
#include "rules/text_rules.h"
#include "support/address_recorder.h"
#include "support/installation_checks.h"
#include "support/scratch.h"
#include "support/setup_process.h"
#include "support/silent_setup.h"
#include "support/wizard_driver.h"
#include "support/wizard_fixture.h"

namespace {

constexpr int kFolderField = 1000;
constexpr int kFormatList = 1579;
constexpr int kMarkImages = 1091;
constexpr int kMarkAll = 1080;
constexpr int kMarkNone = 1081;
constexpr int kAllUsersXpBox = 1037;
constexpr int kFolderLine = 1010;
constexpr int kIniInProgramFolder = 1038;
constexpr int kIniInAppData = 1039;
constexpr int kWaitLabel = 1044;
constexpr int kShowFaqBox = 1022;
constexpr int kStartViewerBox = 1020;
constexpr int kUninstallHint = 1023;

const char kDefaultFolder[] = "C:\\Program Files\\Pellumara";
const char kFaqAddress[] = "https://www.pellumara.example/faq.htm";
const char kLicenceAddress[] = "https://www.pellumara.example/eula.htm";
constexpr int kLicenceLink = 1045;

std::string SettingsFolder() { return Expanded("%APPDATA%\\Pellumara"); }

// The names of a profile's sections, or of one section's keys.
std::vector<std::string> ProfileNames(const std::string& file, const char* section) {
  char names[4096] = "";
  if (section == nullptr) {
    GetPrivateProfileSectionNamesA(names, sizeof names, file.c_str());
  } else {
    GetPrivateProfileStringA(section, nullptr, "", names, sizeof names, file.c_str());
  }
  std::vector<std::string> result;
  for (const char* name = names; *name != '\0'; name += std::strlen(name) + 1) {
    result.push_back(name);
  }
  return result;
}

std::set<int> Rows(std::initializer_list<int> rows) { return std::set<int>(rows); }
std::set<int> RowRange(int first, int end) {
  std::set<int> rows;
  for (int row = first; row < end; ++row) rows.insert(row);
  return rows;
}

// The viewer window of a started viewer; the process is ended on Close.
class StartedViewer {
 public:
  StartedViewer() = default;
  ~StartedViewer() { Close(); }
  StartedViewer(const StartedViewer&) = delete;
  StartedViewer& operator=(const StartedViewer&) = delete;

  [[nodiscard]] bool Find(unsigned timeout_ms) {
    if (!WaitUntil(
            [this] {
              window_ = FindWindowA("Pellumara", nullptr);
              return window_ != nullptr;
            },
            timeout_ms)) {
      return false;
    }
    DWORD process_id = 0;
    GetWindowThreadProcessId(window_, &process_id);
    process_.Reset(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION,
                               FALSE, process_id));
    return true;
  }
  HWND window() const { return window_; }
  // The process that started the viewer's.
  DWORD ParentProcessId() const {
    const DWORD own = process_ ? GetProcessId(process_.Get()) : 0;
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more && parent == 0;
         more = Process32Next(snapshot.Get(), &entry)) {
      if (entry.th32ProcessID == own) parent = entry.th32ParentProcessID;
    }
    return parent;
  }
  std::string ImagePath() const {
    char path[MAX_PATH] = "";
    DWORD size = sizeof path;
    if (!process_ || !QueryFullProcessImageNameA(process_.Get(), 0, path, &size)) return {};
    return path;
  }
  void Close() {
    if (window_ != nullptr) PostMessageA(window_, WM_CLOSE, 0, 0);
    if (process_) {
      if (WaitForSingleObject(process_.Get(), 5000) != WAIT_OBJECT_0) {
        TerminateProcess(process_.Get(), 1);
      }
      WaitForSingleObject(process_.Get(), 5000);
      process_.Close();
    }
    window_ = nullptr;
  }

 private:
  HWND window_ = nullptr;
  ScopedHandle process_;
};

// The mnemonics of a label: the letter after each single "&" ("&&" shows
// an ampersand).
std::string MnemonicLetters(const std::string& label) {
  std::string letters;
  for (std::size_t i = 0; i + 1 < label.size(); ++i) {
    if (label[i] != '&') continue;
    const auto letter = static_cast<unsigned char>(label[i + 1]);
    if (letter != '&') letters += static_cast<char>(std::toupper(letter));
    ++i;
  }
  return letters;
}

// Whether the dialog manager takes a mnemonic from the window's text: buttons
// of every kind and text statics without SS_NOPREFIX.
bool HasMnemonicText(HWND window) {
  char name[32] = "";
  GetClassNameA(window, name, sizeof name);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  if (lstrcmpiA(name, "Button") == 0) return true;
  const LONG type = style & SS_TYPEMASK;
  return lstrcmpiA(name, "Static") == 0 && (style & SS_NOPREFIX) == 0 &&
         (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE ||
          type == SS_LEFTNOWORDWRAP);
}

// Every visible label of the page on show and of the sheet's own buttons has
// at most one mnemonic, and no letter serves two of them.
void ExpectEachMnemonicOnce(HWND sheet, HWND page, int index) {
  std::map<char, std::string> owners;
  for (HWND parent : {sheet, page}) {
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      if (!IsWindowVisible(child) || !HasMnemonicText(child)) continue;
      const std::string label = WindowText(child);
      const std::string letters = MnemonicLetters(label);
      EXPECT_LE(letters.size(), 1u) << "page " << index << ": \"" << label << "\"";
      for (char letter : letters) {
        const auto [owner, first] = owners.emplace(letter, label);
        EXPECT_TRUE(first) << "page " << index << ": " << letter << " in \"" << label
                           << "\" and \"" << owner->second << "\"";
      }
    }
  }
  EXPECT_GE(owners.size(), 2u) << "page " << index << ": the sheet's buttons were not seen";
}

class WizardInstall : public WizardFixture {
 protected:
  void SetUp() override { DeleteFileA(kOpenedAddresses); }
  void TearDown() override {
    WizardFixture::TearDown();
    StartedViewer leftover;
    if (leftover.Find(0)) leftover.Close();
    RemoveInstallation({kDefaultFolder, SettingsFolder()});
    DeleteFileA(kOpenedAddresses);
  }

  // From the welcome page to the ready page.
  void GoToReadyPage() {
    for (int index = 1; index <= 3; ++index) ASSERT_NO_FATAL_FAILURE(GoTo(kNext, index));
  }
  // A silent installation first, then the wizard on its ready page: Next
  // upgrades it.
  void GoToReadyPageOverASilentInstallation() {
    SetupLaunch earlier;
    earlier.command_line = SetupCommandLine("/silent");
    earlier.working_directory = start_.path();
    ASSERT_EQ(RunSetup(earlier).exit_code, 0);
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
    ASSERT_NO_FATAL_FAILURE(GoToReadyPage());
  }

  // The rows whose check box is checked.
  std::set<int> CheckedRows() const {
    std::set<int> rows;
    for (int item = 0; item < wizard_->ListItemCount(kFormatList); ++item) {
      if (wizard_->ListStateImage(kFormatList, item) == 2) rows.insert(item);
    }
    return rows;
  }

  // Next on the ready page, then the installation runs to the finish page;
  // a message box on the way fails the test with its text.
  void InstallToFinishPage() {
    wizard_->Press(kNext);
    ASSERT_NO_FATAL_FAILURE(WaitForFinishPage());
  }
  void WaitForFinishPage() {
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
          box = wizard_->WaitForMessageBox(0);
          return box != nullptr || wizard_->ActiveIndex() == 4;
        },
        60000));
    ASSERT_EQ(box, nullptr) << WizardDriver::MessageText(box);
    ASSERT_TRUE(wizard_->WaitForPage(4));
  }

  // Sets the finish page's boxes and presses "&Fertig stellen".
  int FinishWith(bool show_faq, bool start_viewer) {
    if (wizard_->Checked(kShowFaqBox) != show_faq) wizard_->Click(kShowFaqBox);
    if (wizard_->Checked(kStartViewerBox) != start_viewer) wizard_->Click(kStartViewerBox);
    wizard_->Press(kCancel);
    return setup_->WaitForExit(20000);
  }

  // The stand-in browser was asked for exactly this address; its note may
  // appear a moment before its text does.
  void ExpectOpenedAddress(const std::string& address) {
    const std::string expected = address + "\n";
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(kOpenedAddresses) == expected; }, 10000))
        << "opened: \"" << ReadFileBytes(kOpenedAddresses) << "\"";
  }

  // Nothing was started: no viewer, no address opened. Called once the
  // setup has ended or has passed the point where it would have started
  // them: a viewer it started runs then, and an address it opened is
  // noted once the stand-in browser has ended.
  void ExpectNothingStarted() {
    EXPECT_EQ(RunningViewers(), 0) << "the viewer was started";
    EXPECT_EQ(FindWindowA("Pellumara", nullptr), nullptr);
    EXPECT_TRUE(WaitUntilNoStandInBrowserRuns()) << "the stand-in browser kept running";
    EXPECT_FALSE(FileExists(kOpenedAddresses)) << ReadFileBytes(kOpenedAddresses);
  }

  // Installed, linked and registered, with every ProgID but no extension
  // taken over.
  void ExpectInstalledWithoutAssociations(const std::string& folder) {
    EXPECT_TRUE(FileExists(folder + "p_mara64.exe"));
    ExpectLinksOfTheCurrentUser();
    ExpectRegisteredViewer(folder);
    EXPECT_EQ(ViewerProgIdCount(), 73u);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Pellumara.jpg"));
    for (const FormatRow& row : FormatCatalogue) {
      for (int i = 0; i < row.registration_count(); ++i) {
        const std::string extension = row.registrations[i].extension;
        EXPECT_NE(ExtensionDefault(extension).rfind("Pellumara.", 0), 0u) << extension;
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kFileExtsKey + extension + "\\UserChoice"))
            << extension;
      }
    }
  }
};

TEST_F(WizardInstall, DefaultsInstallWithTheSettingsInTheApplicationData) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  EXPECT_EQ(wizard_->ControlText(kFolderField), kDefaultFolder);
  ASSERT_NO_FATAL_FAILURE(GoToReadyPage());
  EXPECT_EQ(wizard_->ControlText(kFolderLine), std::string("Zielverzeichnis: ") + kDefaultFolder);
  EXPECT_TRUE(wizard_->Checked(kIniInAppData));
  EXPECT_FALSE(wizard_->Checked(kIniInProgramFolder));
  EXPECT_FALSE(wizard_->Visible(kWaitLabel));

  // Nothing marked: no question about the associations.
  ASSERT_NO_FATAL_FAILURE(InstallToFinishPage());
  EXPECT_TRUE(wizard_->Checked(kShowFaqBox));
  EXPECT_TRUE(wizard_->Checked(kStartViewerBox));
  EXPECT_EQ(wizard_->ButtonText(kCancel), LoadMessage(IDS_FINISH_BUTTON));
  EXPECT_FALSE(wizard_->ButtonEnabled(kBack));
  EXPECT_FALSE(wizard_->ButtonEnabled(kNext));
  EXPECT_TRUE(wizard_->ButtonEnabled(kCancel));

  // Both boxes cleared: the wizard ends at once, without a question.
  EXPECT_EQ(FinishWith(false, false), kExitWizardInstalled);
  ExpectNothingStarted();

  const std::string folder = std::string(kDefaultFolder) + "\\";
  EXPECT_TRUE(FileExists(folder + "pm_uninstall.exe"));
  EXPECT_EQ(ReadFileBytes(folder + "Html\\frame.html").substr(0, 15), "<!DOCTYPE html>");
  EXPECT_FALSE(FileExists(start_ / kSetupLogName));
  // The program folder's file only points to the settings folder.
  const std::string program_file = folder + "p_mara64.ini";
  EXPECT_EQ(ProfileNames(program_file, nullptr), std::vector<std::string>{"Others"});
  EXPECT_EQ(ProfileNames(program_file, "Others"), std::vector<std::string>{"INI_Folder"});
  EXPECT_EQ(Profile(program_file, "Others", "INI_Folder"), "%APPDATA%\\Pellumara");
  const std::string settings_file = SettingsFolder() + "\\p_mara64.ini";
  EXPECT_EQ(Profile(settings_file, "Language", "DLL"), "DEUTSCH.DLL");
  EXPECT_EQ(Profile(settings_file, "Language", "Lang"), "Deutsch");
  EXPECT_NE(Profile(settings_file, "Toolbar", "Skin"), "<missing>");

  ExpectInstalledWithoutAssociations(folder);
}

// Refused registry writes end a silent run with exit code 5; the wizard
// tells its user the same, in the setup's box, before the finish page.
TEST_F(WizardInstall, RefusedRegistryWritesAreToldBeforeTheFinishPage) {
  ReadOnlyMachineKey uninstall_entry(kUninstallKey);
  ASSERT_TRUE(uninstall_entry.Refuses());
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  ASSERT_NO_FATAL_FAILURE(GoToReadyPage());
  wizard_->Press(kNext);
  ASSERT_NO_FATAL_FAILURE(
      ExpectMessage(FillNumbers(LoadMessage(IDS_REGISTRATION_INCOMPLETE), {2}), IDOK));
  ASSERT_NO_FATAL_FAILURE(WaitForFinishPage());
  EXPECT_EQ(FinishWith(false, false), kExitWizardInstalled);
  RemoveInstallation({kDefaultFolder, SettingsFolder()});
}

TEST_F(WizardInstall, ListMarksBecomeTheAssociationsAfterYes) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 1));
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 2));
  EXPECT_FALSE(wizard_->Visible(kAllUsersXpBox));
  ASSERT_EQ(wizard_->ListItemCount(kFormatList), kFormatCount);
  RECT rect;
  GetWindowRect(wizard_->Control(kFormatList), &rect);
  const int width = rect.right - rect.left;
  EXPECT_EQ(wizard_->ListColumnWidth(kFormatList, 0), width / 3);
  EXPECT_EQ(wizard_->ListColumnWidth(kFormatList, 1), 2 * width / 3 - 25);
  for (int row : {0, 51, 52, 67}) {
    EXPECT_EQ(wizard_->ListItemText(kFormatList, row, 0), FormatCatalogue[row].list_text) << row;
    EXPECT_EQ(wizard_->ListItemText(kFormatList, row, 1), FormatCatalogue[row].description) << row;
  }
  EXPECT_EQ(CheckedRows(), Rows({}));
  EXPECT_EQ(wizard_->ListStateImage(kFormatList, 0), 1);
  // Tabbed into, the list has its focus on the first row: Space ticks it.
  ASSERT_TRUE(wizard_->BringToFront());
  ASSERT_TRUE(wizard_->TabTo(wizard_->Control(kFormatList)));
  WizardDriver::PressKeys({VK_SPACE});
  EXPECT_TRUE(WaitUntil([&] { return CheckedRows() == Rows({0}); }, 2000));

  wizard_->Click(kMarkImages);
  EXPECT_EQ(CheckedRows(), RowRange(0, 52));
  wizard_->Click(kMarkAll);
  EXPECT_EQ(CheckedRows(), RowRange(0, kFormatCount));
  wizard_->Click(kMarkImages);
  EXPECT_EQ(CheckedRows(), RowRange(0, 52));
  wizard_->Click(kMarkNone);
  EXPECT_EQ(CheckedRows(), Rows({}));

  // Single clicks on check boxes, one far down the list.
  ASSERT_TRUE(wizard_->ClickListCheckBox(kFormatList, 3));
  EXPECT_EQ(CheckedRows(), Rows({3}));
  ASSERT_TRUE(wizard_->ClickListCheckBox(kFormatList, 60));
  ASSERT_TRUE(wizard_->ClickListCheckBox(kFormatList, 10));
  ASSERT_TRUE(wizard_->ClickListCheckBox(kFormatList, 10));
  EXPECT_EQ(CheckedRows(), Rows({3, 60}));

  // Away and back: the same items with the same marks.
  ASSERT_NO_FATAL_FAILURE(GoTo(kBack, 1));
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 2));
  EXPECT_EQ(wizard_->ListItemCount(kFormatList), kFormatCount);
  EXPECT_EQ(CheckedRows(), Rows({3, 60}));
  EXPECT_FALSE(wizard_->Visible(kAllUsersXpBox));

  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 3));
  const std::string caption_before = WindowText(wizard_->sheet());
  wizard_->Press(kNext);
  HWND question = WaitForMessage(LoadMessage(IDS_CONFIRM_ASSOCIATIONS));
  ASSERT_NE(question, nullptr);
  // While the routine waits for the answer: the wait label is up, nothing
  // can be pressed, and the install timer puts up the installation caption.
  EXPECT_TRUE(wizard_->Visible(kWaitLabel));
  EXPECT_GT(PixelsOnScreen(wizard_->Control(kWaitLabel), RGB(255, 0, 0)), 50) << "not red";
  EXPECT_FALSE(wizard_->ButtonEnabled(kBack));
  EXPECT_FALSE(wizard_->ButtonEnabled(kNext));
  EXPECT_FALSE(wizard_->ButtonEnabled(kCancel));
  EXPECT_NE(caption_before, LoadMessage(IDS_CAPTION));
  EXPECT_TRUE(
      WaitUntil([&] { return WindowText(wizard_->sheet()) == LoadMessage(IDS_CAPTION); }, 4000))
      << WindowText(wizard_->sheet());
  EXPECT_TRUE(WizardDriver::Answer(question, IDYES)) << "the message box stayed after its answer";
  ASSERT_NO_FATAL_FAILURE(WaitForFinishPage());
  EXPECT_EQ(FinishWith(false, false), kExitWizardInstalled);

  for (int row = 0; row < kFormatCount; ++row) {
    const FormatRow& format = FormatCatalogue[row];
    for (int i = 0; i < format.registration_count(); ++i) {
      const std::string extension = format.registrations[i].extension;
      const std::string prog_id = std::string("Pellumara.") + format.registrations[i].type_name;
      if (row == 3 || row == 60) {
        EXPECT_EQ(ExtensionDefault(extension), prog_id) << "row " << row;
        EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kFileExtsKey + extension + "\\UserChoice",
                                     "Progid"),
                  prog_id);
      } else {
        EXPECT_NE(ExtensionDefault(extension), prog_id) << "row " << row;
      }
    }
  }
}

TEST_F(WizardInstall, NoAndEnterToTheQuestionLeaveTheAssociations) {
  for (const bool enter : {false, true}) {
    SCOPED_TRACE(enter ? "Enter" : "No");
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
    ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 1));
    ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 2));
    wizard_->Click(enter ? kMarkImages : kMarkAll);
    ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 3));
    wizard_->Press(kNext);
    HWND question = WaitForMessage(LoadMessage(IDS_CONFIRM_ASSOCIATIONS));
    ASSERT_NE(question, nullptr);
    if (enter) {
      EXPECT_TRUE(WizardDriver::PressEnter(question)) << "the message box stayed after its answer";
    } else {
      EXPECT_TRUE(WizardDriver::Answer(question, IDNO)) << "the message box stayed after its answer";
    }
    ASSERT_NO_FATAL_FAILURE(WaitForFinishPage());
    EXPECT_EQ(FinishWith(false, false), kExitWizardInstalled);
    ExpectInstalledWithoutAssociations(std::string(kDefaultFolder) + "\\");
    RemoveInstallation({kDefaultFolder, SettingsFolder()});
  }
}

// Its own ctest entry runs it in a prefix that reports Windows 10. No
// program can make itself the default there: after Yes the wizard says so
// and opens the default-apps settings at Pellumara's entry; after No it
// opens nothing. The finish page names Windows' place for removing
// programs, since the Start menu holds no uninstall link.
TEST_F(WizardInstall, OnWindows8AndLaterYesOpensTheDefaultAppsSettings) {
  if (!IsWindowsVersionAtLeast(6, 2, 0)) GTEST_SKIP() << "needs a prefix of Windows 8 or later";
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
    ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 1));
    ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 2));
    wizard_->Click(kMarkImages);
    ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 3));
    wizard_->Press(kNext);
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_CONFIRM_ASSOCIATIONS), yes ? IDYES : IDNO));
    if (yes) {
      ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_CHOOSE_DEFAULT_APPS), IDOK));
    }
    ASSERT_NO_FATAL_FAILURE(WaitForFinishPage());
    EXPECT_EQ(wizard_->ControlText(kUninstallHint), LoadMessage(IDS_UNINSTALL_HINT_PROGRAMS));
    EXPECT_EQ(FinishWith(false, false), kExitWizardInstalled);
    // Eight links without the uninstall link; the formats registered, no
    // user's choice written.
    ExpectLinksOfTheCurrentUser();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kFileExtsKey + std::string("png\\UserChoice")));
    if (yes) {
      ExpectOpenedAddress("ms-settings:defaultapps?registeredAppMachine=Pellumara");
    } else {
      ExpectNothingStarted();
    }
    RemoveInstallation({kDefaultFolder, SettingsFolder()});
    DeleteFileA(kOpenedAddresses);
  }
}

TEST_F(WizardInstall, ViewerStartedAfterTheWelcomePageStopsNextUntilItCloses) {
  ScratchFolder parent("wizard-viewer");
  const std::string target = parent / "Pellumara";
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  wizard_->SetControlText(kFolderField, target);
  ASSERT_NO_FATAL_FAILURE(GoToReadyPage());

  FakeViewer viewer;
  ASSERT_TRUE(viewer.exists());
  wizard_->Press(kNext);
  ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_VIEWER_RUNNING), IDOK));
  EXPECT_EQ(wizard_->ActiveIndex(), 3);
  EXPECT_FALSE(wizard_->Visible(kWaitLabel));
  EXPECT_TRUE(wizard_->ButtonEnabled(kBack));
  EXPECT_TRUE(wizard_->ButtonEnabled(kNext));
  EXPECT_TRUE(wizard_->ButtonEnabled(kCancel));
  EXPECT_FALSE(FolderExists(target));
  viewer.Close();

  // The settings choice goes back to the default whenever the page shows.
  wizard_->Click(kIniInProgramFolder);
  ASSERT_NO_FATAL_FAILURE(GoTo(kBack, 2));
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 3));
  EXPECT_TRUE(wizard_->Checked(kIniInAppData));
  EXPECT_FALSE(wizard_->Checked(kIniInProgramFolder));

  // In the program folder this time.
  wizard_->Click(kIniInProgramFolder);
  ASSERT_NO_FATAL_FAILURE(InstallToFinishPage());
  EXPECT_EQ(FinishWith(false, false), kExitWizardInstalled);
  const std::string program_file = target + "\\p_mara64.ini";
  EXPECT_EQ(Profile(program_file, "Language", "Lang"), "Deutsch");
  EXPECT_EQ(Profile(program_file, "Others", "INI_Folder"), "<missing>");
  EXPECT_FALSE(FolderExists(SettingsFolder()));
  ExpectRegisteredViewer(target + "\\");
  RemoveInstallation({target});
}

TEST_F(WizardInstall, FailedInstallationGoesBackToTheWelcomePageThenFinishStartsTheViewer) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  wizard_->SetControlText(kFolderField, "Q:\\Pellumara");
  ASSERT_NO_FATAL_FAILURE(GoToReadyPage());
  EXPECT_EQ(wizard_->ControlText(kFolderLine), "Zielverzeichnis: Q:\\Pellumara");
  wizard_->Press(kNext);
  ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_CANNOT_CREATE_FOLDER), IDOK));
  ASSERT_TRUE(wizard_->WaitForPage(0));
  EXPECT_FALSE(wizard_->ButtonEnabled(kBack));
  EXPECT_TRUE(wizard_->ButtonEnabled(kNext));
  EXPECT_TRUE(wizard_->ButtonEnabled(kCancel));
  EXPECT_EQ(wizard_->ButtonText(kCancel), LoadMessage(IDS_QUIT_BUTTON));
  EXPECT_EQ(wizard_->ControlText(kFolderField), "Q:\\Pellumara");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

  // Typed with blanks after it: installed into, and started from, the
  // trimmed folder.
  ScratchFolder parent("wizard-finish");
  const std::string target = parent / "Pellumara";
  wizard_->SetControlText(kFolderField, target + "  ");
  ASSERT_NO_FATAL_FAILURE(GoToReadyPage());
  EXPECT_EQ(wizard_->ControlText(kFolderLine), "Zielverzeichnis: " + target);
  // The red wait label stays up from the failed run.
  EXPECT_TRUE(wizard_->Visible(kWaitLabel));
  EXPECT_GT(PixelsOnScreen(wizard_->Control(kWaitLabel), RGB(255, 0, 0)), 50);
  ASSERT_NO_FATAL_FAILURE(InstallToFinishPage());
  ExpectRegisteredViewer(target + "\\");

  EXPECT_EQ(FinishWith(true, true), kExitWizardInstalled);
  // The wizard waited for the viewer's window before it ended. Which window
  // is in front afterwards is not checked: under Wine without a window
  // manager it is sometimes the desktop window once the sheet has gone.
  StartedViewer viewer;
  ASSERT_TRUE(viewer.Find(0)) << "no viewer window when the wizard had ended";
  EXPECT_TRUE(IsWindowVisible(viewer.window()));
  EXPECT_EQ(viewer.ImagePath(), target + "\\p_mara64.exe");
  // The elevated setup has the desktop's shell start the viewer, as the
  // user at the desktop.
  EXPECT_NE(viewer.ParentProcessId(), setup_->process_id());
  ExpectOpenedAddress(kFaqAddress);
  viewer.Close();
  RemoveInstallation({target});
}

TEST_F(WizardInstall, EveryPageHasEachMnemonicLetterOnce) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  for (int index = 0; index <= 3; ++index) {
    if (index > 0) {
      ASSERT_NO_FATAL_FAILURE(GoTo(kNext, index));
    }
    ExpectEachMnemonicOnce(wizard_->sheet(), wizard_->ActivePage(), index);
  }
  ASSERT_NO_FATAL_FAILURE(InstallToFinishPage());
  ExpectEachMnemonicOnce(wizard_->sheet(), wizard_->ActivePage(), 4);
  EXPECT_EQ(FinishWith(false, false), kExitWizardInstalled);
}

// The licence opened without a mouse: Tab reaches the link, which shows the
// focus, and Enter opens its page instead of pressing Next.
TEST_F(WizardInstall, TabReachesTheLicenceLinkAndEnterOpensIt) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  HWND link = wizard_->Control(kLicenceLink);
  ASSERT_TRUE(wizard_->BringToFront());
  // In front, the page paints anew: the link without the focus first.
  ASSERT_TRUE(WaitUntil([&] { return PixelsOnScreen(link, RGB(0, 0, 238)) > 20; }));
  Sleep(300);
  const std::vector<COLORREF> unfocused = PixelsOf(link);
  ASSERT_TRUE(wizard_->TabTo(link)) << "Tab never reached the link";
  // The focus rectangle dots every other pixel of the link's edges, where
  // the text hardly reaches (a repaint caught half-way changes the text).
  RECT rect;
  GetWindowRect(link, &rect);
  const LONG width = rect.right - rect.left;
  const LONG height = rect.bottom - rect.top;
  const auto on_edge = [&](std::size_t i) {
    const LONG x = static_cast<LONG>(i) % width;
    const LONG y = static_cast<LONG>(i) / width;
    return x == 0 || y == 0 || x == width - 1 || y == height - 1;
  };
  std::size_t changed = 0;
  EXPECT_TRUE(WaitUntil(
      [&] {
        const std::vector<COLORREF> focused = PixelsOf(link);
        changed = 0;
        for (std::size_t i = 0; i < focused.size() && i < unfocused.size(); ++i) {
          changed += on_edge(i) && focused[i] != unfocused[i];
        }
        return changed >= static_cast<std::size_t>(width + height) / 2;
      },
      2000))
      << "no focus shown: " << changed << " pixels changed";

  WizardDriver::PressKeys({VK_RETURN});
  ExpectOpenedAddress(kLicenceAddress);
  EXPECT_EQ(wizard_->ActiveIndex(), 0);
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

// Elevated, with no desktop shell to start things as the user, the setup
// starts nothing with its own rights: the licence link shows its address
// instead, and closing the finish page says that nothing was started.
TEST_F(WizardInstall, WithoutADesktopShellTheElevatedSetupStartsNothingItself) {
  ASSERT_NO_FATAL_FAILURE(Start("", {"PELLUMARA_TEST_NO_DESKTOP_SHELL=1"}));
  ASSERT_TRUE(wizard_->WaitForSheet()) << "no wizard appeared";
  ASSERT_TRUE(wizard_->WaitForPage(0));
  ASSERT_TRUE(wizard_->BringToFront());
  ASSERT_TRUE(wizard_->TabTo(wizard_->Control(kLicenceLink))) << "Tab never reached the link";
  WizardDriver::PressKeys({VK_RETURN});
  ExpectMessage(FillPlaceholders(LoadMessage(IDS_LICENCE_ADDRESS), "%s", {kLicenceAddress}), IDOK);
  ASSERT_NO_FATAL_FAILURE(GoToReadyPage());
  ASSERT_NO_FATAL_FAILURE(InstallToFinishPage());
  wizard_->Press(kCancel);
  ExpectMessage(FillPlaceholders(LoadMessage(IDS_FINISH_NOT_STARTED), "%s", {kFaqAddress}), IDOK);
  EXPECT_EQ(setup_->WaitForExit(20000), kExitWizardInstalled);
  ExpectNothingStarted();
}

// Every way out of the finish page does what its boxes say. Alt+F4 ends as
// the close box does, in the system command SC_CLOSE.
TEST_F(WizardInstall, AltF4OnTheFinishPageFinishesAsTheBoxesSayWithoutAQuestion) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  ASSERT_NO_FATAL_FAILURE(GoToReadyPage());
  ASSERT_NO_FATAL_FAILURE(InstallToFinishPage());
  wizard_->Click(kStartViewerBox);
  ASSERT_TRUE(wizard_->BringToFront());
  WizardDriver::PressKeys({VK_MENU, VK_F4});
  bool asked = false;
  EXPECT_TRUE(WaitUntil([&] {
    if (HWND box = wizard_->WaitForMessageBox(0)) {
      asked = true;
      EXPECT_TRUE(WizardDriver::Answer(box, IDYES)) << "the message box stayed after its answer";
    }
    return setup_->HasEnded();
  })) << "Alt+F4 did not end the setup";
  EXPECT_FALSE(asked);
  EXPECT_EQ(setup_->WaitForExit(10000), kExitWizardInstalled);
  ExpectOpenedAddress(kFaqAddress);
  EXPECT_EQ(FindWindowA("Pellumara", nullptr), nullptr) << "the viewer started unasked";
}

TEST_F(WizardInstall, EnterOnTheFinishPageFinishesAsTheBoxesSay) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  ASSERT_NO_FATAL_FAILURE(GoToReadyPage());
  ASSERT_NO_FATAL_FAILURE(InstallToFinishPage());
  wizard_->Click(kShowFaqBox);
  ASSERT_TRUE(wizard_->BringToFront());
  // On a focused button Enter presses that one; here the page has the focus.
  ASSERT_NE(wizard_->Focus(), wizard_->SheetButton(kCancel));
  WizardDriver::PressKeys({VK_RETURN});
  EXPECT_EQ(setup_->WaitForExit(20000), kExitWizardInstalled) << "Enter did not finish";
  StartedViewer viewer;
  EXPECT_TRUE(viewer.Find(0)) << "no viewer window when the wizard had ended";
  viewer.Close();
  // The setup has ended: an address it opened is noted once the stand-in
  // browser has ended.
  EXPECT_TRUE(WaitUntilNoStandInBrowserRuns()) << "the stand-in browser kept running";
  EXPECT_FALSE(FileExists(kOpenedAddresses)) << ReadFileBytes(kOpenedAddresses);
}

// An Escape given while the installation runs (the wizard cannot take it
// then) must not close the finish page once that shows. The setup is held
// still while the key arrives, so that it surely comes during the routine.
TEST_F(WizardInstall, EscapeDuringTheInstallationLeavesTheFinishPageUp) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  ASSERT_NO_FATAL_FAILURE(GoToReadyPage());
  ASSERT_TRUE(wizard_->BringToFront());
  const DWORD thread_id = GetWindowThreadProcessId(wizard_->sheet(), nullptr);
  ScopedHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, thread_id));
  ASSERT_TRUE(thread);
  wizard_->Press(kNext);
  // Cancel is disabled from just before the routine starts to just after it.
  ASSERT_TRUE(WaitUntil([&] { return !wizard_->ButtonEnabled(kCancel); }, 20000));
  SuspendThread(thread.Get());
  const bool installing = !wizard_->ButtonEnabled(kCancel);
  WizardDriver::PressKeys({VK_ESCAPE});
  Sleep(200);
  ResumeThread(thread.Get());
  thread.Close();
  ASSERT_TRUE(installing) << "the installation was over before the key came";
  ASSERT_NO_FATAL_FAILURE(WaitForFinishPage());
  // A Tab pressed now comes after the Escape: once the page has moved the
  // focus, the Escape has been handled, and whatever it started has been
  // started (the finish page starts things before its handler returns).
  if (!setup_->HasEnded()) {
    ASSERT_TRUE(wizard_->BringToFront());
    const HWND focus_before = wizard_->Focus();
    WizardDriver::PressKeys({VK_TAB});
    ASSERT_TRUE(WaitUntil([&] { return setup_->HasEnded() || wizard_->Focus() != focus_before; }))
        << "the Tab after the Escape was never handled";
  }
  ExpectNothingStarted();
  EXPECT_FALSE(setup_->HasEnded()) << "the Escape closed the finish page";
  EXPECT_EQ(wizard_->ActiveIndex(), 4);
  EXPECT_EQ(FinishWith(false, false), kExitWizardInstalled);
}

// While the wizard upgrades (a plug-in held for a moment makes its commit
// wait), the sheet answers Windows' question about a shutdown with FALSE;
// once the finish page is up it agrees again.
TEST_F(WizardInstall, ShutdownWaitsWhileTheWizardInstalls) {
  ASSERT_NO_FATAL_FAILURE(GoToReadyPageOverASilentInstallation());
  const std::string folder = std::string(kDefaultFolder) + "\\";
  ScopedHandle holder = HoldFile(folder + "Plugins\\p_webp.dll");
  ASSERT_TRUE(holder);
  wizard_->Press(kNext);
  const bool committing =
      WaitUntil([&] { return FileExists(folder + "~pmarag-journal.pm"); }, 30000);
  auto ask = [&](DWORD_PTR* answer) {
    return SendMessageTimeoutA(wizard_->sheet(), WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 1000,
                               answer);
  };
  DWORD_PTR answer = TRUE;
  const LRESULT answered = ask(&answer);
  holder.Close();
  ASSERT_TRUE(committing) << "the commit was not seen";
  EXPECT_NE(answered, 0);
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(FALSE)) << "a shutdown was let through";
  ASSERT_NO_FATAL_FAILURE(WaitForFinishPage());
  answer = FALSE;
  EXPECT_NE(ask(&answer), 0);
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << "the finish page still holds a shutdown off";
  EXPECT_EQ(FinishWith(false, false), kExitWizardInstalled);
}

// The wizard answers what is sent to it while its files go in, so that
// Windows never takes it for hung. It is held still while it stages an
// upgrade's files and asked then; afterwards it runs on in short steps, held
// still after each: the answer must come while staged files or the journal
// still stand in the folder, before the last file is in place.
TEST_F(WizardInstall, WizardAnswersWhileItsFilesGoIn) {
  ASSERT_NO_FATAL_FAILURE(GoToReadyPageOverASilentInstallation());
  const std::string folder = std::string(kDefaultFolder) + "\\";
  const std::string journal = folder + "~pmarag-journal.pm";
  // A staged file has a fresh "~*.pm" name beside its entry's name.
  auto staged_files = [&] {
    WIN32_FIND_DATAA found;
    ScopedFind search(FindFirstFileA((folder + "~*.pm").c_str(), &found));
    if (!search) return false;
    bool staged = false;
    do {
      staged = staged || folder + found.cFileName != journal;
    } while (FindNextFileA(search.Get(), &found));
    return staged;
  };
  ScopedHandle thread(OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE,
                                 GetWindowThreadProcessId(wizard_->sheet(), nullptr)));
  ASSERT_TRUE(thread);
  // Suspends the wizard's thread; asking for its context waits until it
  // has stopped.
  auto hold = [&] {
    SuspendThread(thread.Get());
    CONTEXT context = {};
    context.ContextFlags = CONTEXT_CONTROL;
    GetThreadContext(thread.Get(), &context);
  };
  wizard_->Press(kNext);
  bool staging = false;
  for (ULONGLONG end = GetTickCount64() + 30000; !staging && GetTickCount64() < end;) {
    hold();
    staging = staged_files() && !FileExists(journal);
    if (!staging) {
      ResumeThread(thread.Get());
      Sleep(1);
    }
  }
  static bool answered;
  answered = false;
  bool going_in = staging;
  if (staging) {
    EXPECT_TRUE(SendMessageCallbackA(
        wizard_->sheet(), WM_NULL, 0, 0,
        [](HWND, UINT, ULONG_PTR, LRESULT) { answered = true; }, 0));
    Sleep(200);  // longer than the wizard's answer period
    while (going_in && !answered) {
      ResumeThread(thread.Get());
      Sleep(1);
      hold();
      MSG message;  // the answer comes with a look at this thread's messages
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      going_in = staged_files() || FileExists(journal);
    }
    ResumeThread(thread.Get());
  }
  ASSERT_TRUE(staging) << "the wizard was not caught staging its files";
  EXPECT_TRUE(answered && going_in) << "the wizard answered nothing while its files went in";
  ASSERT_NO_FATAL_FAILURE(WaitForFinishPage());
  EXPECT_EQ(FinishWith(false, false), kExitWizardInstalled);
}

// While another setup holds the lock, the waiting wizard answers every
// message sent to it within a second, so that Windows never takes it for
// hung; a page change sent meanwhile does nothing.
TEST_F(WizardInstall, WizardWaitingForTheLockAnswersAndStaysPut) {
  ScopedHandle lock(CreateMutexA(nullptr, TRUE, "Global\\PellumaraSetup"));
  ASSERT_TRUE(lock);
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  ASSERT_NO_FATAL_FAILURE(GoToReadyPage());
  const HWND ready_page = wizard_->ActivePage();
  wizard_->Press(kNext);
  ASSERT_TRUE(WaitUntil([&] { return !wizard_->ButtonEnabled(kCancel); }, 20000));
  // Every message goes with a time limit: this test holds what the wizard
  // waits for.
  auto send = [&](UINT message, WPARAM wparam, DWORD_PTR* answer) {
    return SendMessageTimeoutA(wizard_->sheet(), message, wparam, 0, SMTO_NORMAL, 1000, answer);
  };
  DWORD_PTR answer = 0;
  for (int i = 0; i < 6; ++i) {
    Sleep(200);
    EXPECT_NE(send(WM_NULL, 0, &answer), 0) << "message " << i << " was not answered";
  }
  send(PSM_PRESSBUTTON, PSBTN_BACK, &answer);
  EXPECT_NE(send(PSM_GETCURRENTPAGEHWND, 0, &answer), 0);
  EXPECT_EQ(reinterpret_cast<HWND>(answer), ready_page);
  EXPECT_FALSE(FileExists(std::string(kDefaultFolder) + "\\p_mara64.exe"));
  ReleaseMutex(lock.Get());
  lock.Close();
  ASSERT_NO_FATAL_FAILURE(WaitForFinishPage());
  EXPECT_EQ(FinishWith(false, false), kExitWizardInstalled);
}

TEST_F(WizardInstall, ReadyPageBeforeVistaProposesTheProgramFolder) {
  // Its own ctest entry runs it in a prefix that reports Windows XP.
  if (IsWindowsVersionAtLeast(6, 0, 0)) GTEST_SKIP() << "needs a prefix older than Vista";
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  ASSERT_NO_FATAL_FAILURE(GoToReadyPage());
  EXPECT_TRUE(wizard_->Checked(kIniInProgramFolder));
  EXPECT_FALSE(wizard_->Checked(kIniInAppData));
  wizard_->Click(kIniInAppData);
  ASSERT_NO_FATAL_FAILURE(GoTo(kBack, 2));
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 3));
  EXPECT_TRUE(wizard_->Checked(kIniInProgramFolder));
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

}  // namespace
