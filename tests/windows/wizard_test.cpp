// The real wizard, driven from this process like a person would: buttons
// and captions, the welcome page's folder, shortcut and scope controls, the
// viewer warning, the quit question and the change list.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/messages.h"
#include "support/scratch.h"
#include "support/setup_process.h"
#include "support/wizard_driver.h"
#include "support/wizard_fixture.h"

namespace {

const char kOpenCommandKey[] = "SOFTWARE\\Classes\\Pellumara\\shell\\open\\command";
constexpr int kFolderField = 1000;
constexpr int kBrowseButton = 1009;
constexpr int kDesktopBox = 1011;
constexpr int kThumbnailsBox = 1021;
constexpr int kStartMenuBox = 1012;
constexpr int kCurrentUserRadio = 1016;
constexpr int kAllUsersRadio = 1017;
constexpr int kNoShortcutsButton = 1019;
constexpr int kLicenceLink = 1045;
constexpr int kChangeListField = 1000;

const std::string kBackCaption = "< &Zur\xFC" "ck";
const std::string kNextCaption = "&Weiter >";

class Wizard : public WizardFixture {
 protected:
  void TearDown() override {
    WizardFixture::TearDown();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kOpenCommandKey);
  }
};

TEST_F(Wizard, ButtonsAndCaptionsOverTheRun) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  EXPECT_EQ(wizard_->ButtonText(kBack), kBackCaption);
  EXPECT_EQ(wizard_->ButtonText(kNext), kNextCaption);
  EXPECT_EQ(wizard_->ButtonText(kCancel), LoadMessage(IDS_QUIT_BUTTON));
  EXPECT_FALSE(wizard_->ButtonEnabled(kBack));
  EXPECT_TRUE(wizard_->ButtonEnabled(kNext));
  EXPECT_TRUE(wizard_->ButtonEnabled(kCancel));

  for (int index = 1; index <= 3; ++index) {
    ASSERT_NO_FATAL_FAILURE(GoTo(kNext, index));
    EXPECT_TRUE(wizard_->ButtonEnabled(kBack)) << "page " << index;
    EXPECT_TRUE(wizard_->ButtonEnabled(kNext)) << "page " << index;
  }
  for (int index = 2; index >= 0; --index) ASSERT_NO_FATAL_FAILURE(GoTo(kBack, index));
  // Back to the welcome page: Back is off again, the captions stay.
  EXPECT_FALSE(wizard_->ButtonEnabled(kBack));
  EXPECT_EQ(wizard_->ButtonText(kBack), kBackCaption);
  EXPECT_EQ(wizard_->ButtonText(kNext), kNextCaption);
  EXPECT_EQ(wizard_->ButtonText(kCancel), LoadMessage(IDS_QUIT_BUTTON));
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 1));
  ASSERT_NO_FATAL_FAILURE(GoTo(kBack, 0));
  EXPECT_FALSE(wizard_->ButtonEnabled(kBack));

  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

TEST_F(Wizard, WelcomePageProposesTheDefaultFolderAndAllShortcuts) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  EXPECT_EQ(wizard_->ControlText(kFolderField), "C:\\Program Files\\Pellumara");
  EXPECT_TRUE(wizard_->Checked(kDesktopBox));
  EXPECT_TRUE(wizard_->Checked(kThumbnailsBox));
  EXPECT_TRUE(wizard_->Checked(kStartMenuBox));
  EXPECT_TRUE(wizard_->Checked(kCurrentUserRadio));
  EXPECT_FALSE(wizard_->Checked(kAllUsersRadio));
  EXPECT_TRUE(wizard_->Enabled(kCurrentUserRadio));
  EXPECT_TRUE(wizard_->Enabled(kAllUsersRadio));

  // The licence text became a link: it notifies its clicks now.
  HWND link = wizard_->Control(kLicenceLink);
  EXPECT_EQ(WindowText(link), "Pellumara EULA");
  EXPECT_TRUE(GetWindowLongA(link, GWL_STYLE) & SS_NOTIFY);
  // The page hands the colour message to the link: its text is link blue.
  EXPECT_GT(PixelsOnScreen(link, RGB(0, 0, 238)), 20);
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

TEST_F(Wizard, EarlierInstallationsFolderWinsOverTheDefault) {
  SetRegistryString(HKEY_LOCAL_MACHINE, kOpenCommandKey, nullptr,
                    "\"D:\\Tools\\Pellumara\\p_mara64.exe\" \"%1\"");
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  EXPECT_EQ(wizard_->ControlText(kFolderField), "D:\\Tools\\Pellumara\\");
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

TEST_F(Wizard, NextRejectsFoldersWithoutADrive) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  for (const std::string folder :
       {"", "Pellumara", "C:Pellumara", "\\Programs\\Pellumara", "\\\\server\\share\\Pellumara",
        " C:\\x"}) {
    wizard_->SetControlText(kFolderField, folder);
    wizard_->Press(kNext);
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_INVALID_FOLDER), IDOK)) << folder;
    EXPECT_EQ(wizard_->ActiveIndex(), 0) << folder;
    EXPECT_EQ(wizard_->ControlText(kFolderField), folder);
    // Next turned Back on before the check; Back finds no earlier page.
    EXPECT_TRUE(wizard_->ButtonEnabled(kBack)) << folder;
  }
  wizard_->Press(kBack);
  EXPECT_TRUE(NoMessageBoxWithin(300));
  EXPECT_EQ(wizard_->ActiveIndex(), 0);

  // A trailing blank is the installation's business, not the page's.
  wizard_->SetControlText(kFolderField, "C:\\x ");
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 1));
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

TEST_F(Wizard, BrowseOpensOnTheFieldsFolderAndAppendsPellumara) {
  ScratchFolder apps("browse-Apps");
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  wizard_->SetControlText(kFolderField, apps.path() + "\\");

  // Cancelled: the field stays as it was.
  wizard_->PressControl(kBrowseButton);
  HWND dialog = wizard_->WaitForDialog();
  ASSERT_NE(dialog, nullptr) << "no folder dialog";
  WizardDriver::Answer(dialog, IDCANCEL);
  EXPECT_EQ(wizard_->ControlText(kFolderField), apps.path() + "\\");

  // Confirmed on the preselected folder: "Pellumara\" is added below it.
  wizard_->PressControl(kBrowseButton);
  dialog = wizard_->WaitForDialog();
  ASSERT_NE(dialog, nullptr) << "no folder dialog";
  WizardDriver::Answer(dialog, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return wizard_->ControlText(kFolderField) != apps.path() + "\\"; }));
  EXPECT_EQ(wizard_->ControlText(kFolderField), apps.path() + "\\Pellumara\\");
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

TEST_F(Wizard, ScopeRadiosFollowTheShortcutBoxes) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  wizard_->Click(kDesktopBox);
  wizard_->Click(kThumbnailsBox);
  EXPECT_TRUE(wizard_->Enabled(kCurrentUserRadio));
  EXPECT_TRUE(wizard_->Enabled(kAllUsersRadio));
  wizard_->Click(kStartMenuBox);
  EXPECT_FALSE(wizard_->Checked(kStartMenuBox));
  EXPECT_FALSE(wizard_->Enabled(kCurrentUserRadio));
  EXPECT_FALSE(wizard_->Enabled(kAllUsersRadio));
  wizard_->Click(kThumbnailsBox);
  EXPECT_TRUE(wizard_->Enabled(kCurrentUserRadio));
  EXPECT_TRUE(wizard_->Enabled(kAllUsersRadio));

  // "&Keine" clears the boxes and disables the radios, keeping the choice.
  wizard_->Click(kAllUsersRadio);
  EXPECT_TRUE(wizard_->Checked(kAllUsersRadio));
  EXPECT_EQ(WindowText(wizard_->Control(kNoShortcutsButton)), "&Keine");
  wizard_->Click(kNoShortcutsButton);
  EXPECT_FALSE(wizard_->Checked(kDesktopBox));
  EXPECT_FALSE(wizard_->Checked(kThumbnailsBox));
  EXPECT_FALSE(wizard_->Checked(kStartMenuBox));
  EXPECT_FALSE(wizard_->Enabled(kCurrentUserRadio));
  EXPECT_FALSE(wizard_->Enabled(kAllUsersRadio));
  EXPECT_TRUE(wizard_->Checked(kAllUsersRadio));
  EXPECT_FALSE(wizard_->Checked(kCurrentUserRadio));

  // Going away and back keeps all of it.
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 1));
  ASSERT_NO_FATAL_FAILURE(GoTo(kBack, 0));
  EXPECT_FALSE(wizard_->Checked(kDesktopBox));
  EXPECT_TRUE(wizard_->Checked(kAllUsersRadio));
  EXPECT_FALSE(wizard_->Enabled(kAllUsersRadio));
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

TEST_F(Wizard, RunningViewerIsWarnedAboutOnEveryShowingOfTheWelcomePage) {
  FakeViewer viewer;
  ASSERT_TRUE(viewer.exists());
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_VIEWER_RUNNING), IDOK));
  ASSERT_TRUE(wizard_->WaitForSheet());
  ASSERT_TRUE(wizard_->WaitForPage(0));
  // Only a warning: Next still works.
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 1));
  wizard_->Press(kBack);
  ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_VIEWER_RUNNING), IDOK));
  ASSERT_TRUE(wizard_->WaitForPage(0));

  viewer.Close();
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 1));
  wizard_->Press(kBack);
  EXPECT_TRUE(NoMessageBoxWithin(1000));
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

TEST_F(Wizard, NoToTheQuitQuestionKeepsEverything) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  wizard_->SetControlText(kFolderField, "D:\\Keep\\Me");
  wizard_->Click(kDesktopBox);
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 1));

  wizard_->Press(kCancel);
  ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_QUIT_QUESTION), IDNO));
  EXPECT_FALSE(setup_->HasEnded());
  EXPECT_EQ(wizard_->ActiveIndex(), 1);
  EXPECT_TRUE(wizard_->ButtonEnabled(kBack));
  EXPECT_TRUE(wizard_->ButtonEnabled(kNext));
  EXPECT_EQ(wizard_->ButtonText(kCancel), LoadMessage(IDS_QUIT_BUTTON));

  ASSERT_NO_FATAL_FAILURE(GoTo(kBack, 0));
  EXPECT_EQ(wizard_->ControlText(kFolderField), "D:\\Keep\\Me");
  EXPECT_FALSE(wizard_->Checked(kDesktopBox));
  EXPECT_TRUE(wizard_->Checked(kThumbnailsBox));

  // Yes ends the wizard without installing anything.
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
  EXPECT_FALSE(FolderExists("D:\\Keep\\Me"));
  EXPECT_FALSE(FolderExists("C:\\Program Files\\Pellumara"));
}

TEST_F(Wizard, CloseBoxAsksOncePerClick) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  PostMessageA(wizard_->sheet(), WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_QUIT_QUESTION), IDNO));
  EXPECT_TRUE(NoMessageBoxWithin(500)) << "asked twice after No";
  EXPECT_FALSE(setup_->HasEnded());
  EXPECT_EQ(wizard_->ActiveIndex(), 0);

  PostMessageA(wizard_->sheet(), WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_QUIT_QUESTION), IDYES));
  // Whatever route the close takes, no second question follows.
  bool asked_again = false;
  WaitUntil([&] {
    if (HWND box = wizard_->WaitForMessageBox(0)) {
      asked_again = true;
      WizardDriver::Answer(box, IDYES);
    }
    return setup_->HasEnded();
  });
  EXPECT_FALSE(asked_again);
  EXPECT_EQ(setup_->WaitForExit(10000), kExitWizardClosed);
}

TEST_F(Wizard, InstallTimerShowsTheInstallationCaption) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  PostMessageA(wizard_->sheet(), WM_TIMER, 2013, 0);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(wizard_->sheet()) == LoadMessage(IDS_CAPTION); }))
      << WindowText(wizard_->sheet());
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

// The change list as the setup carries it.
std::string ChangeListResource() {
  HMODULE setup = LoadLibraryExA(SetupProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (setup == nullptr) return "<setup not loadable>";
  std::string bytes = "<no TXT 128>";
  if (HRSRC found = FindResourceA(setup, MAKEINTRESOURCEA(128), "TXT")) {
    const char* data = static_cast<const char*>(LockResource(LoadResource(setup, found)));
    bytes.assign(data, SizeofResource(setup, found));
  }
  FreeLibrary(setup);
  return bytes;
}

TEST_F(Wizard, WhatsNewPageShowsTheChangeListByteForByte) {
  const std::string change_list = ChangeListResource();
  ASSERT_EQ(change_list.size(), 986u);
  EXPECT_EQ(change_list.find('\0'), std::string::npos);
  EXPECT_EQ(change_list.substr(0, 144), std::string(142, '-') + "\r\n");
  EXPECT_EQ(change_list.substr(144, 37), "  Version 4.41\t\t(Datum: 29.11.2015)\r\n");
  EXPECT_EQ(change_list.substr(181, 146), std::string(142, '-') + "\r\n\r\n");
  EXPECT_NE(change_list.substr(change_list.size() - 2), "\r\n");
  std::size_t line_ends = 0;
  for (std::size_t at = change_list.find("\r\n"); at != std::string::npos;
       at = change_list.find("\r\n", at + 2)) {
    ++line_ends;
    if (at + 2 > 327) {
      EXPECT_EQ(change_list.substr(at + 2, 2), "- ") << "line " << line_ends + 1;
    }
  }
  EXPECT_EQ(line_ends, 12u);
  EXPECT_EQ(change_list.find('\n'), change_list.find("\r\n") + 1);
  EXPECT_NE(change_list.find('\xFC'), std::string::npos) << "no umlaut in code page 1252";

  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  for (int round = 0; round < 2; ++round) {
    ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 1));
    HWND field = wizard_->Control(kChangeListField);
    EXPECT_EQ(WindowText(field), change_list) << "round " << round;
    const LONG style = GetWindowLongA(field, GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_FALSE(style & WS_TABSTOP);
    ASSERT_NO_FATAL_FAILURE(GoTo(kBack, 0));
  }
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  SetSetupProgramFromArguments(argc, argv);
  if (SetupProgram().empty()) {
    std::fprintf(stderr, "wizard_tests: pass --setup=<path of pellumara64-setup.exe>\n");
    return 2;
  }
  UseUnmanagedWindows();
  return RUN_ALL_TESTS();
}
