// The FLTK dialog stand-in where no dialog can run: no display, bad
// arguments, handles that name no running dialog. None may abort or call the
// procedure. The running dialog is covered end to end under Xvfb.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/dialog_box.h"

namespace {

int procedureCalls = 0;

INT_PTR countingProc(HWND, UINT, WPARAM, LPARAM) {
  ++procedureCalls;
  return TRUE;
}

class DialogBoxTest : public ::testing::Test {
protected:
  void SetUp() override {
    procedureCalls = 0;
    // No display for this process: FLTK must never get to open one itself.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
  }
};

TEST_F(DialogBoxTest, NoDisplayGivesMinusOne) {
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(101), nullptr, countingProc, 0), -1);
  EXPECT_EQ(procedureCalls, 0);
}

TEST_F(DialogBoxTest, BadArgumentsGiveMinusOne) {
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(102), nullptr, countingProc, 0), -1);
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(101), nullptr, nullptr, 0), -1);
  EXPECT_EQ(DialogBoxParamA(nullptr, "SETUP", nullptr, countingProc, 0), -1);
  EXPECT_EQ(DialogBoxParamA(nullptr, nullptr, nullptr, countingProc, 0), -1);
  EXPECT_EQ(procedureCalls, 0);
}

TEST_F(DialogBoxTest, HandlesOfNoRunningDialogAreRefused) {
  int notADialog = 0;
  const HWND stranger = reinterpret_cast<HWND>(&notADialog);
  for (const HWND handle : {HWND{nullptr}, stranger}) {
    EXPECT_EQ(CheckDlgButton(handle, 1000, BST_CHECKED), FALSE);
    EXPECT_EQ(IsDlgButtonChecked(handle, 1000), BST_UNCHECKED);
    EXPECT_EQ(EndDialog(handle, 1), FALSE);
  }
  EXPECT_EQ(notADialog, 0);
}

} // namespace
