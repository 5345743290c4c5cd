// The base of the tests that drive the real wizard: starts the setup without
// options in a scratch folder, moves between pages and answers its message
// boxes.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/messages.h"
#include "support/scratch.h"
#include "support/setup_process.h"
#include "support/wizard_driver.h"

constexpr int kExitWizardInstalled = 0;
constexpr int kExitWizardClosed = 4;

class WizardFixture : public ::testing::Test {
 protected:
  void TearDown() override { setup_.reset(); }

  void Start(const std::string& options = "", const std::vector<std::string>& environment = {}) {
    SetupLaunch launch;
    launch.command_line = SetupCommandLine(options);
    launch.environment = environment;
    launch.working_directory = start_.path();
    setup_ = std::make_unique<StartedSetup>(launch);
    ASSERT_TRUE(setup_->started());
    wizard_ = std::make_unique<WizardDriver>(setup_->process_id());
  }
  void StartAndWaitForWelcomePage() {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(wizard_->WaitForSheet()) << "no wizard appeared";
    ASSERT_TRUE(wizard_->WaitForPage(0));
  }

  // Presses a sheet button and waits for the page to change to index.
  void GoTo(int button, int index, unsigned timeout_ms = 10000) {
    wizard_->Press(button);
    ASSERT_TRUE(wizard_->WaitForPage(index, timeout_ms)) << "page " << wizard_->ActiveIndex();
  }

  // Waits for a message box with the text and the setup's caption.
  [[nodiscard]] HWND WaitForMessage(const std::string& text) {
    HWND box = wizard_->WaitForMessageBox();
    EXPECT_NE(box, nullptr) << "no message box";
    if (box == nullptr) return nullptr;
    EXPECT_EQ(WizardDriver::MessageText(box), text);
    EXPECT_EQ(WindowText(box), LoadMessage(IDS_CAPTION));
    return box;
  }
  // Expects exactly one message box with the text and answers it.
  void ExpectMessage(const std::string& text, int answer) {
    HWND box = WaitForMessage(text);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(WizardDriver::Answer(box, answer)) << "the message box stayed after its answer";
  }
  // No message box is open once the setup has handled what was posted to
  // it so far: a box that a press or a close raises is made by then.
  [[nodiscard]] bool NoMessageBoxOnceHandled() {
    return wizard_->HandledPostedSoFar() && wizard_->MessageBoxCount() == 0;
  }

  int QuitWithYes() {
    wizard_->Press(kCancel);
    ExpectMessage(LoadMessage(IDS_QUIT_QUESTION), IDYES);
    return setup_->WaitForExit(20000);
  }

  ScratchFolder start_{"wizard-start"};
  std::unique_ptr<StartedSetup> setup_;
  std::unique_ptr<WizardDriver> wizard_;
};
