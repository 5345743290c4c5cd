// The real wizard, driven from this process like a person would: buttons
// and captions, the welcome page's folder, shortcut and scope controls, the
// viewer warning, the quit question and the change list.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <vector>

#include "common/messages.h"
#include "common/product_version.h"
#include "support/address_recorder.h"
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
constexpr int kReadyHeading = 1014;
constexpr int kWaitLabel = 1044;
constexpr int kFormatList = 1579;
constexpr int kIniInProgramFolder = 1038;
constexpr int kIniInAppData = 1039;
constexpr int kFolderLine = 1010;

const char kLicenceAddress[] = "https://www.pellumara.example/eula.htm";

const std::string kBackCaption = "< &Zur\xFC" "ck";
const std::string kNextCaption = "&Weiter >";

class Wizard : public WizardFixture {
 protected:
  void TearDown() override {
    WizardFixture::TearDown();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kOpenCommandKey);
  }
};

// --- the pages as a screen reader meets them --------------------------------

// MinGW's static IID_IAccessible is not the interface's id.
constexpr IID kAccessibleId = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// What Active Accessibility tells this process, as a screen reader asks,
// about a control of the setup: its client object's name (in the ANSI code
// page), role, state and default action.
struct ScreenReaderView {
  bool found = false;
  bool named = false;
  std::string name;
  std::wstring wide_name;
  long role = 0;
  long state = 0;
  std::string default_action;
};

std::string AnsiOf(BSTR text) {
  if (text == nullptr) return "";
  char ansi[1024] = "";
  WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, nullptr, nullptr);
  return ansi;
}

IAccessible* ClientObject(HWND control) {
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), kAccessibleId,
                                        reinterpret_cast<void**>(&object)))) {
    return nullptr;
  }
  return object;
}

ScreenReaderView ViewAsScreenReader(HWND control) {
  ScreenReaderView view;
  CoInitialize(nullptr);
  if (IAccessible* object = ClientObject(control)) {
    view.found = true;
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    if (object->get_accName(self, &text) == S_OK && text != nullptr) {
      view.named = true;
      view.name = AnsiOf(text);
      view.wide_name = text;
    }
    SysFreeString(text);
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(object->get_accRole(self, &value)) && value.vt == VT_I4) view.role = value.lVal;
    VariantInit(&value);
    if (SUCCEEDED(object->get_accState(self, &value)) && value.vt == VT_I4) view.state = value.lVal;
    text = nullptr;
    if (object->get_accDefaultAction(self, &text) == S_OK) view.default_action = AnsiOf(text);
    SysFreeString(text);
    object->Release();
  }
  CoUninitialize();
  return view;
}

// What a screen reader's "activate" does.
HRESULT DoDefaultAction(HWND control) {
  CoInitialize(nullptr);
  HRESULT result = E_FAIL;
  if (IAccessible* object = ClientObject(control)) {
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    result = object->accDoDefaultAction(self);
    object->Release();
  }
  CoUninitialize();
  return result;
}

// No control of the page is named by what only the template or the
// resources hold: a placeholder text, a resource number, a drawn line.
void ExpectNoPlaceholderNames(HWND page, int index) {
  for (HWND control = GetWindow(page, GW_CHILD); control != nullptr;
       control = GetWindow(control, GW_HWNDNEXT)) {
    if (!IsWindowVisible(control)) continue;
    const ScreenReaderView view = ViewAsScreenReader(control);
    EXPECT_TRUE(view.found) << "page " << index << ": control " << GetDlgCtrlID(control);
    const std::string shown = WindowText(control);
    const bool resource_number = !view.wide_name.empty() && view.wide_name[0] == 0xFFFF;
    const bool line = !view.name.empty() && view.name.find_first_not_of('_') == std::string::npos;
    EXPECT_FALSE(view.name == "List1" || resource_number || line ||
                 (!shown.empty() && static_cast<unsigned char>(shown[0]) == 0xFF && view.named))
        << "page " << index << ": control " << GetDlgCtrlID(control) << " is named \""
        << view.name << "\"";
  }
}

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

// Asked for its options, the setup lists them all and the exit codes in a
// box, and installs nothing.
TEST_F(Wizard, HelpShowsTheUsageTextAndInstallsNothing) {
  for (const std::string asked : {"/?", "/group=1 /help"}) {
    SCOPED_TRACE(asked);
    ASSERT_NO_FATAL_FAILURE(Start(asked));
    HWND box = WaitForMessage(LoadMessage(IDS_USAGE));
    ASSERT_NE(box, nullptr);
    const std::string text = WizardDriver::MessageText(box);
    for (const char* listed : {"/silent", "/folder=", "/group=", "/desktop=", "/thumbs=",
                               "/allusers=", "/assoc=", "/ini=", "/log=", "\n4\t", "\n6\t",
                               "\n1622\t"}) {
      EXPECT_NE(text.find(listed), std::string::npos) << listed;
    }
    EXPECT_TRUE(WizardDriver::Answer(box, IDOK)) << "the message box stayed after its answer";
    EXPECT_EQ(setup_->WaitForExit(20000), 0);
    EXPECT_FALSE(FolderExists("C:\\Program Files\\Pellumara"));
  }
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

TEST_F(Wizard, NextRejectsFoldersWithoutADriveOrAnExactName) {
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
  EXPECT_TRUE(NoMessageBoxOnceHandled()) << "Back on the first page raised a message";
  EXPECT_EQ(wizard_->ActiveIndex(), 0);

  // The field keeps what the code page lacks, and a new folder named so is
  // refused rather than taken as its look-alike "C:\Sahins Programme".
  const std::wstring beyond = L"C:\\\u015eahins Programme\\Pellumara";
  HWND field = wizard_->Control(kFolderField);
  SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(beyond.c_str()));
  wchar_t kept[MAX_PATH] = L"";
  SendMessageW(field, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(kept));
  EXPECT_EQ(std::wstring(kept), beyond);
  wizard_->Press(kNext);
  ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_NAME_BEYOND_CODE_PAGE), IDOK));
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
  EXPECT_TRUE(WizardDriver::Answer(dialog, IDCANCEL)) << "the folder dialog stayed after Cancel";
  EXPECT_EQ(wizard_->ControlText(kFolderField), apps.path() + "\\");

  // Confirmed on the preselected folder: "Pellumara\" is added below it.
  wizard_->PressControl(kBrowseButton);
  dialog = wizard_->WaitForDialog();
  ASSERT_NE(dialog, nullptr) << "no folder dialog";
  EXPECT_TRUE(WizardDriver::Answer(dialog, IDOK)) << "the folder dialog stayed after OK";
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
  EXPECT_TRUE(NoMessageBoxOnceHandled()) << "the warning came with the viewer closed";
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

TEST_F(Wizard, NoToTheQuitQuestionKeepsEverything) {
  ScratchFolder parent("wizard-keep");
  const std::string folder = parent / "Keep\\Me";
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  wizard_->SetControlText(kFolderField, folder);
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
  EXPECT_EQ(wizard_->ControlText(kFolderField), folder);
  EXPECT_FALSE(wizard_->Checked(kDesktopBox));
  EXPECT_TRUE(wizard_->Checked(kThumbnailsBox));

  // Yes on the ready page, where Next would create the folder and install,
  // ends the wizard without installing anything.
  for (int index = 1; index <= 3; ++index) ASSERT_NO_FATAL_FAILURE(GoTo(kNext, index));
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
  EXPECT_FALSE(FolderExists(folder));
  EXPECT_FALSE(FolderExists("C:\\Program Files\\Pellumara"));
}

TEST_F(Wizard, CloseBoxAsksOncePerClick) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  PostMessageA(wizard_->sheet(), WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_QUIT_QUESTION), IDNO));
  EXPECT_TRUE(NoMessageBoxOnceHandled()) << "asked twice after No";
  EXPECT_FALSE(setup_->HasEnded());
  EXPECT_EQ(wizard_->ActiveIndex(), 0);

  PostMessageA(wizard_->sheet(), WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_QUIT_QUESTION), IDYES));
  // Whatever route the close takes, no second question follows.
  bool asked_again = false;
  EXPECT_TRUE(WaitUntil([&] {
    if (HWND box = wizard_->WaitForMessageBox(0)) {
      asked_again = true;
      EXPECT_TRUE(WizardDriver::Answer(box, IDYES)) << "the message box stayed after its answer";
    }
    return setup_->HasEnded();
  })) << "the setup did not end after Yes";
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

// The user has switched to another program while the installation runs:
// the engine's box still belongs to the sheet, and neither the close box nor
// Escape can end the wizard under the routine that waits for the answer.
TEST_F(Wizard, EngineBoxIsOwnedByTheSheetWhichCannotCloseUnderIt) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  wizard_->SetControlText(kFolderField, "Q:\\Pellumara");  // no such drive
  for (int index = 1; index <= 3; ++index) ASSERT_NO_FATAL_FAILURE(GoTo(kNext, index));
  HWND other_program = CreateWindowA("STATIC", "another program", WS_POPUP | WS_VISIBLE, 0, 0, 200,
                                     100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetForegroundWindow(other_program);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other_program; }));

  // Next as the sheet gets it from its button, but without the click's
  // focus change, which would make the sheet active again.
  PostMessageA(wizard_->sheet(), WM_COMMAND, MAKEWPARAM(kNext, BN_CLICKED),
               reinterpret_cast<LPARAM>(wizard_->SheetButton(kNext)));
  HWND box = WaitForMessage(LoadMessage(IDS_CANNOT_CREATE_FOLDER));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(GetWindow(box, GW_OWNER), wizard_->sheet());
  EXPECT_FALSE(IsWindowEnabled(wizard_->sheet()));
  PostMessageA(wizard_->sheet(), WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageA(wizard_->sheet(), WM_COMMAND, IDCANCEL, 0);  // what Escape sends
  // Posted messages of one thread are handled in turn: once the one posted
  // behind them has been, a question they raised has been made.
  ASSERT_TRUE(wizard_->HandledPostedSoFar()) << "the setup never got to its posted messages";
  EXPECT_EQ(wizard_->MessageBoxCount(), 1) << "a quit question under the engine's box";
  EXPECT_TRUE(WizardDriver::Answer(box, IDOK)) << "the message box stayed after its answer";
  ASSERT_TRUE(wizard_->WaitForPage(0));
  EXPECT_FALSE(setup_->HasEnded());
  DestroyWindow(other_program);
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

// What the ready page shows at one screen DPI, in pixels: the page, the
// ink of its heading and of the red wait label, the logo as drawn.
struct ReadyPageSizes {
  SIZE page;
  LONG heading_ink_height;
  LONG wait_ink_height;
  SIZE logo;
};

LONG Height(const RECT& rect) { return rect.bottom - rect.top; }
LONG Width(const RECT& rect) { return rect.right - rect.left; }

class WizardScaling : public Wizard {
 protected:
  void TearDown() override {
    Wizard::TearDown();
    SetScreenDpiForNewPrograms(96);
  }

  // Runs the wizard at the DPI to the ready page, lets an installation fail
  // (the wait label stays up afterwards) and comes back to measure.
  void MeasureReadyPage(DWORD dpi, ReadyPageSizes* sizes) {
    SetScreenDpiForNewPrograms(dpi);
    ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
    wizard_->SetControlText(kFolderField, "Q:\\Pellumara");
    for (int pass = 0; pass < 2; ++pass) {
      for (int index = 1; index <= 3; ++index) ASSERT_NO_FATAL_FAILURE(GoTo(kNext, index));
      if (pass == 1) break;
      wizard_->Press(kNext);
      ASSERT_NO_FATAL_FAILURE(ExpectMessage(LoadMessage(IDS_CANNOT_CREATE_FOLDER), IDOK));
      ASSERT_TRUE(wizard_->WaitForPage(0));
    }
    Sleep(300);  // let the page paint
    RECT page;
    GetClientRect(wizard_->ActivePage(), &page);
    const RECT logo = InkOnScreen(wizard_->PictureControl());
    *sizes = {{page.right, page.bottom},
              Height(InkOnScreen(wizard_->Control(kReadyHeading))),
              Height(InkOnScreen(wizard_->Control(kWaitLabel))),
              {Width(logo), Height(logo)}};
    EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
  }
};

// The setup is DPI-aware: what it draws in pixels (the heading font, the
// wait label's font, the logo) must grow with the dialog units, which the
// dialog manager scales with the screen.
TEST_F(WizardScaling, HeadingWaitLabelAndLogoGrowWithTheDialogUnits) {
  ReadyPageSizes at96 = {};
  ReadyPageSizes at192 = {};
  ASSERT_NO_FATAL_FAILURE(MeasureReadyPage(96, &at96));
  ASSERT_NO_FATAL_FAILURE(MeasureReadyPage(192, &at192));
  const double width_growth = static_cast<double>(at192.page.cx) / at96.page.cx;
  const double height_growth = static_cast<double>(at192.page.cy) / at96.page.cy;
  ASSERT_GT(height_growth, 1.5) << "the prefix did not take the screen's DPI";
  ASSERT_GT(at96.heading_ink_height, 0);
  ASSERT_GT(at96.wait_ink_height, 0);
  ASSERT_GT(at96.logo.cy, 0);
  // Fonts grow with the DPI and their ink by whole pixels, the dialog units
  // by the dialog font's metrics: alike within a quarter. Drawn in fixed
  // pixels, they would stay at about half the page's growth.
  const auto relative_growth = [](LONG at192_size, LONG at96_size, double page_growth) {
    return static_cast<double>(at192_size) / at96_size / page_growth;
  };
  EXPECT_NEAR(relative_growth(at192.heading_ink_height, at96.heading_ink_height, height_growth),
              1.0, 0.25)
      << at96.heading_ink_height << " -> " << at192.heading_ink_height << " pixels";
  EXPECT_NEAR(relative_growth(at192.wait_ink_height, at96.wait_ink_height, height_growth), 1.0,
              0.25)
      << at96.wait_ink_height << " -> " << at192.wait_ink_height << " pixels";
  // The logo is made for its rectangle: it fills it at every scale.
  EXPECT_NEAR(relative_growth(at192.logo.cx, at96.logo.cx, width_growth), 1.0, 0.05)
      << at96.logo.cx << " -> " << at192.logo.cx << " pixels";
  EXPECT_NEAR(relative_growth(at192.logo.cy, at96.logo.cy, height_growth), 1.0, 0.05)
      << at96.logo.cy << " -> " << at192.logo.cy << " pixels";
}

// The logo sits on the page's face colour in every colour scheme: outside
// the drawing, its corner is that colour, not the drawing's light grey.
class WizardFaceColour : public Wizard {
 protected:
  void SetUp() override { original_ = GetSysColor(COLOR_BTNFACE); }
  void TearDown() override {
    Wizard::TearDown();
    SetFaceColour(original_);
  }
  static void SetFaceColour(COLORREF colour) {
    const int element = COLOR_BTNFACE;
    SetSysColors(1, &element, &colour);
  }
  COLORREF original_ = 0;
};

TEST_F(WizardFaceColour, LogoCornerHasThePagesFaceColour) {
  const COLORREF face = RGB(200, 220, 180);
  SetFaceColour(face);
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  Sleep(300);  // let the page paint
  const std::vector<COLORREF> page = PixelsOf(wizard_->ActivePage());
  const std::vector<COLORREF> logo = PixelsOf(wizard_->PictureControl());
  ASSERT_FALSE(page.empty());
  ASSERT_FALSE(logo.empty());
  ASSERT_EQ(page[0], face) << "the setup did not take the face colour";
  EXPECT_EQ(logo[0], face) << std::hex << "logo corner 0x" << logo[0];
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
  // The change list is the release's own text; its heading must name the version built.
  const std::string heading = "  Version " PELLUMARA_VERSION_TEXT "\t\t(Datum: 29.11.2015)\r\n";
  EXPECT_EQ(change_list.substr(144, heading.size()), heading);
  EXPECT_EQ(change_list.substr(144 + heading.size(), 146), std::string(142, '-') + "\r\n\r\n");
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
    // Keyboard and screen-reader users reach it with Tab and hear it as
    // read-only text named by its heading.
    if (round == 0) {
      ASSERT_TRUE(wizard_->BringToFront());
      EXPECT_TRUE(wizard_->TabTo(field)) << "Tab never reached the change list";
    }
    const ScreenReaderView view = ViewAsScreenReader(field);
    EXPECT_EQ(view.name, "Was ist neu in dieser Version?");
    EXPECT_TRUE(view.state & STATE_SYSTEM_READONLY) << std::hex << view.state;
    ASSERT_NO_FATAL_FAILURE(GoTo(kBack, 0));
  }
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

// Every input says what it is for; the logo is a picture called Pellumara,
// the separator no text; no control is named by a placeholder.
TEST_F(Wizard, ScreenReadersMeetEveryControlByWhatItIsFor) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  EXPECT_EQ(ViewAsScreenReader(wizard_->Control(kFolderField)).name,
            LoadMessage(IDS_TARGET_FOLDER_LABEL));
  const ScreenReaderView logo = ViewAsScreenReader(wizard_->PictureControl());
  EXPECT_EQ(logo.role, ROLE_SYSTEM_GRAPHIC);
  EXPECT_EQ(logo.name, "Pellumara");
  ExpectNoPlaceholderNames(wizard_->ActivePage(), 0);
  for (int index = 1; index <= 3; ++index) {
    ASSERT_NO_FATAL_FAILURE(GoTo(kNext, index));
    ExpectNoPlaceholderNames(wizard_->ActivePage(), index);
  }
  // The ready page: each settings choice names its group.
  EXPECT_EQ(ViewAsScreenReader(wizard_->Control(kIniInProgramFolder)).name,
            "INI-Verzeichnis \xE4ndern (f\xFCr Fortgeschrittene): Pellumara-Verzeichnis");
  EXPECT_EQ(ViewAsScreenReader(wizard_->Control(kIniInAppData)).name,
            "INI-Verzeichnis \xE4ndern (f\xFCr Fortgeschrittene): \"Anwendungsdaten\"-Verzeichnis "
            "(empfohlen f\xFCr Vista, Win 7, Win 8, Win 10)");
  ASSERT_NO_FATAL_FAILURE(GoTo(kBack, 2));
  EXPECT_EQ(ViewAsScreenReader(wizard_->Control(kFormatList)).name,
            "M\xF6" "chten Sie Dateien mit Pellumara verkn\xFCpfen? (optional !)");
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

// Run only on systems of another code page, 932 and 65001
// (tests/windows/CMakeLists.txt): the German texts, from the program, from
// the templates and from the message table, show and are named as on a
// German system, and a folder in the system's own script shows beside
// them as typed. Read in UTF-16, as a person sees them.
TEST_F(Wizard, GermanTextsAndNamesShowWholeUnderOtherCodePages) {
  ASSERT_NE(GetACP(), 1252u) << "meant for a system of another code page";
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  EXPECT_EQ(WideWindowText(wizard_->SheetButton(kBack)), L"< &Zur\u00FCck");
  EXPECT_EQ(WideWindowText(wizard_->Control(kDesktopBox)),
            L"Pellumara-Verkn\u00FCpfung auf dem &Desktop");
  wizard_->SetControlText(kFolderField, "");
  wizard_->Press(kNext);
  HWND box = wizard_->WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(WizardDriver::WideMessageText(box), L"Ung\u00FCltiges Zielverzeichnis!");
  EXPECT_EQ(WideWindowText(box), L"Pellumara 64-bit Installation");
  EXPECT_TRUE(WizardDriver::Answer(box, IDOK)) << "the message box stayed after its answer";

  const std::wstring folder = L"C:\\\u65E5\u672C\\Pellumara";
  SendMessageW(wizard_->Control(kFolderField), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(folder.c_str()));
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 1));
  const std::wstring change_list = WideWindowText(wizard_->Control(kChangeListField));
  EXPECT_NE(change_list.find(L"Unterst\u00FCtzung f\u00FCr die Anzeige"), std::wstring::npos);
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 2));
  EXPECT_EQ(ViewAsScreenReader(wizard_->Control(kFormatList)).wide_name,
            L"M\u00F6chten Sie Dateien mit Pellumara verkn\u00FCpfen? (optional !)");
  ASSERT_NO_FATAL_FAILURE(GoTo(kNext, 3));
  EXPECT_EQ(WideWindowText(wizard_->Control(kFolderLine)), L"Zielverzeichnis: " + folder);
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

// The licence link is a link to a screen reader, and its default action
// opens the licence page as a click does.
TEST_F(Wizard, LicenceLinkIsALinkWhoseDefaultActionOpensTheLicence) {
  DeleteFileA(kOpenedAddresses);
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  HWND link = wizard_->Control(kLicenceLink);
  const ScreenReaderView view = ViewAsScreenReader(link);
  EXPECT_EQ(view.role, ROLE_SYSTEM_LINK);
  EXPECT_EQ(view.name, "Pellumara EULA");
  EXPECT_EQ(view.state & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED),
            STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED)
      << std::hex << view.state;
  EXPECT_FALSE(view.default_action.empty());
  EXPECT_EQ(DoDefaultAction(link), S_OK);
  const std::string expected = std::string(kLicenceAddress) + "\n";
  EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(kOpenedAddresses) == expected; }))
      << "opened: \"" << ReadFileBytes(kOpenedAddresses) << "\"";
  EXPECT_EQ(wizard_->ActiveIndex(), 0);
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
  DeleteFileA(kOpenedAddresses);
}

// "Weiter >" on the ready page shows the wait message, which a screen
// reader hears at once. The folder is on a drive that does not exist, so
// the installation fails and nothing is installed.
TEST_F(Wizard, WaitMessageIsAnnouncedWhenTheInstallationStarts) {
  ASSERT_NO_FATAL_FAILURE(StartAndWaitForWelcomePage());
  wizard_->SetControlText(kFolderField, "Q:\\Pellumara");
  for (int index = 1; index <= 3; ++index) ASSERT_NO_FATAL_FAILURE(GoTo(kNext, index));
  HWND label = wizard_->Control(kWaitLabel);
  ASSERT_FALSE(IsWindowVisible(label));
  WindowEventWatch events(setup_->process_id());
  ASSERT_TRUE(events.hooked());
  wizard_->Press(kNext);
  EXPECT_TRUE(events.WaitFor(AnnouncementEvent(), label, 1, 20000)) << "no announcement";
  EXPECT_TRUE(IsWindowVisible(label));
  HWND box = wizard_->WaitForMessageBox(60000);
  ASSERT_NE(box, nullptr) << "the installation into Q: did not fail";
  EXPECT_TRUE(WizardDriver::PressEnter(box)) << "the message box stayed after its answer";
  ASSERT_TRUE(wizard_->WaitForPage(0));
  EXPECT_EQ(QuitWithYes(), kExitWizardClosed);
}

// --- every text of the five pages fits its control -----------------------

INT_PTR CALLBACK IgnoringDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

bool IsTextStatic(const std::string& window_class, LONG style) {
  const LONG type = style & SS_TYPEMASK;
  return window_class == "Static" &&
         (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP);
}

bool IsCheckOrRadio(const std::string& window_class, LONG style) {
  const LONG type = style & BS_TYPEMASK;
  return window_class == "Button" &&
         (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
          type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

// The room a control gives its text, and what the text needs there, both
// measured with the control's font as the control draws it.
struct TextFit {
  SIZE needed;
  SIZE room;
  bool fits() const { return needed.cx <= room.cx && needed.cy <= room.cy; }
};

TextFit MeasureText(HWND control, const std::string& text, bool check_or_radio) {
  const LONG style = GetWindowLongA(control, GWL_STYLE);
  RECT client;
  GetClientRect(control, &client);
  HDC dc = GetDC(control);
  HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  SIZE room = {client.right, client.bottom};
  UINT format = DT_CALCRECT | DT_EXPANDTABS;
  if (check_or_radio) {
    // The box or circle and a gap of half a character stand before the text.
    room.cx -= GetSystemMetrics(SM_CXMENUCHECK) + metrics.tmAveCharWidth / 2;
    format |= (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
  } else {
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    const bool one_line = (style & SS_CENTERIMAGE) || (style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP;
    format |= one_line ? DT_SINGLELINE : DT_WORDBREAK;
  }
  RECT needed = {0, 0, room.cx, 0};
  DrawTextA(dc, text.c_str(), -1, &needed, format);
  SelectObject(dc, previous);
  ReleaseDC(control, dc);
  return {{needed.right, needed.bottom}, room};
}

TEST(WizardTemplates, EveryTextOfTheFivePagesFitsItsControl) {
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  HMODULE setup = LoadLibraryExA(SetupProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(setup, nullptr);
  HWND host = CreateWindowA("STATIC", "host", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  int measured = 0;
  for (int page_template : {101, 108, 104, 109, 110}) {
    HRSRC found = FindResourceA(setup, MAKEINTRESOURCEA(page_template), MAKEINTRESOURCEA(5));
    ASSERT_NE(found, nullptr) << page_template;
    auto* dialog = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(setup, found)));
    HWND page = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialog, host,
                                           IgnoringDialogProc, 0);
    ASSERT_NE(page, nullptr) << page_template;
    for (HWND control = GetWindow(page, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT)) {
      char name[32] = "";
      GetClassNameA(control, name, sizeof name);
      const LONG style = GetWindowLongA(control, GWL_STYLE);
      const bool check_or_radio = IsCheckOrRadio(name, style);
      const std::string text = WindowText(control);
      if (text.empty() || !(check_or_radio || IsTextStatic(name, style))) continue;
      std::vector<std::string> texts = {text};
      // From Windows 8 on the finish page's uninstall hint has a text of
      // its own.
      if (GetDlgCtrlID(control) == 1023) texts.push_back(LoadMessage(IDS_UNINSTALL_HINT_PROGRAMS));
      for (const std::string& shown : texts) {
        const TextFit fit = MeasureText(control, shown, check_or_radio);
        ++measured;
        EXPECT_TRUE(fit.fits()) << "template " << page_template << ": \"" << shown << "\" needs "
                                << fit.needed.cx << " x " << fit.needed.cy << " pixels, has "
                                << fit.room.cx << " x " << fit.room.cy;
      }
    }
    DestroyWindow(page);
  }
  EXPECT_GE(measured, 28);  // the texts the pages have
  DestroyWindow(host);
  FreeLibrary(setup);
}

}  // namespace
