// The FLTK dialog stand-in without a display: the call fails without calling
// the procedure, and FLTK never opens a display itself. Bad arguments and
// handles are the window-system contract's; the running dialog is covered
// end to end under Xvfb.
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

} // namespace
