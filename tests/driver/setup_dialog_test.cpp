// The setup dialog's procedure against the scripted window system: the boxes
// it sets up, the options each command writes and the end codes. The calls
// run inside a dialog, as the layer refuses any other handle.
#include <gtest/gtest.h>

#include <functional>

#include "call_log.h"
#include "driver/setup_dialog.h"
#include "driver/show_options.h"
#include "fake_platform.h"
#include "platform/dialog_box.h"

namespace {

constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr WPARAM BN_DOUBLECLICKED = 5;

// A notification code travels in the high word of wParam.
constexpr WPARAM withNotification(WPARAM code, int id) {
  return (code << 16) | static_cast<WPARAM>(id);
}

class SetupDialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    fake::resetAll();
    showOptions = ShowOptions{};
  }

  // Runs the setup dialog and `body` with its handle once WM_INITDIALOG is done.
  static INT_PTR inDialog(std::function<void(HWND)> body) {
    fake::platform().whileShown = std::move(body);
    return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(setupDialogId), nullptr, setupDialogProc, 0);
  }

  static INT_PTR command(HWND dialog, WPARAM wParam) {
    return setupDialogProc(dialog, WM_COMMAND, wParam, 0);
  }

  static UINT& box(int id) { return fake::platform().buttons[id]; }
};

TEST_F(SetupDialogTest, InitDialogShowsTheDefaultsAndAsksForDefaultFocus) {
  EXPECT_EQ(inDialog(nullptr), -1) << "nothing ended the dialog";
  EXPECT_TRUE(fake::platform().initDialogResult);
  EXPECT_EQ(box(fullscreenBoxId), BST_CHECKED);
  EXPECT_EQ(box(soundBoxId), BST_CHECKED);
  EXPECT_EQ(box(loopBoxId), BST_UNCHECKED);
  EXPECT_FALSE(fake::platform().endResult.has_value());
}

TEST_F(SetupDialogTest, InitDialogShowsWhateverTheOptionsHold) {
  showOptions = ShowOptions{false, false, true};
  box(soundBoxId) = BST_CHECKED;
  box(fullscreenBoxId) = BST_CHECKED;
  inDialog(nullptr);
  EXPECT_EQ(box(fullscreenBoxId), BST_UNCHECKED);
  EXPECT_EQ(box(soundBoxId), BST_UNCHECKED);
  EXPECT_EQ(box(loopBoxId), BST_CHECKED);
}

TEST_F(SetupDialogTest, EachBoxWritesOnlyItsOwnOption) {
  inDialog([](HWND dialog) {
    box(soundBoxId) = BST_UNCHECKED;
    EXPECT_EQ(command(dialog, soundBoxId), FALSE);
    EXPECT_FALSE(showOptions.sound);
    EXPECT_TRUE(showOptions.fullscreen);
    EXPECT_FALSE(showOptions.loop);

    box(fullscreenBoxId) = BST_UNCHECKED;
    EXPECT_EQ(command(dialog, fullscreenBoxId), FALSE);
    EXPECT_FALSE(showOptions.fullscreen);
    EXPECT_FALSE(showOptions.sound);

    box(loopBoxId) = BST_CHECKED;
    EXPECT_EQ(command(dialog, loopBoxId), FALSE);
    EXPECT_TRUE(showOptions.loop);
    EXPECT_FALSE(showOptions.sound);
    EXPECT_FALSE(showOptions.fullscreen);
    EXPECT_FALSE(fake::platform().endResult.has_value());
  });
}

// The option follows the box's state, not a toggle of the option: a command
// for a box that did not change leaves the option as the box shows it.
TEST_F(SetupDialogTest, BoxesAreReadNotToggled) {
  inDialog([](HWND dialog) {
    box(soundBoxId) = BST_CHECKED;
    command(dialog, soundBoxId);
    command(dialog, soundBoxId);
    EXPECT_TRUE(showOptions.sound);

    showOptions.loop = true;
    box(loopBoxId) = BST_UNCHECKED;
    command(dialog, loopBoxId);
    EXPECT_FALSE(showOptions.loop);
  });
}

TEST_F(SetupDialogTest, OkEndsWithOneAndCancelWithZero) {
  inDialog([](HWND dialog) {
    EXPECT_EQ(command(dialog, IDOK), FALSE);
    ASSERT_TRUE(fake::platform().endResult.has_value());
    EXPECT_EQ(*fake::platform().endResult, 1);

    fake::platform().endResult.reset();
    EXPECT_EQ(command(dialog, IDCANCEL), FALSE);
    ASSERT_TRUE(fake::platform().endResult.has_value());
    EXPECT_EQ(*fake::platform().endResult, 0);

    EXPECT_EQ(showOptions.sound, ShowOptions{}.sound);
    EXPECT_EQ(showOptions.fullscreen, ShowOptions{}.fullscreen);
    EXPECT_EQ(showOptions.loop, ShowOptions{}.loop);
  });
}

TEST_F(SetupDialogTest, OnlyTheLowWordNamesTheControl) {
  inDialog([](HWND dialog) {
    command(dialog, withNotification(BN_DOUBLECLICKED, IDCANCEL));
    ASSERT_TRUE(fake::platform().endResult.has_value());
    EXPECT_EQ(*fake::platform().endResult, 0);

    box(loopBoxId) = BST_CHECKED;
    command(dialog, withNotification(BN_DOUBLECLICKED, loopBoxId));
    EXPECT_TRUE(showOptions.loop);

    fake::platform().endResult.reset();
    command(dialog, withNotification(0xFFFF, IDOK));
    ASSERT_TRUE(fake::platform().endResult.has_value());
    EXPECT_EQ(*fake::platform().endResult, 1);
  });
}

TEST_F(SetupDialogTest, UnknownControlsAndOtherMessagesDoNothing) {
  inDialog([](HWND dialog) {
    box(soundBoxId) = BST_UNCHECKED;
    box(fullscreenBoxId) = BST_UNCHECKED;
    box(loopBoxId) = BST_CHECKED;
    for (const WPARAM id : {0u, 3u, 999u, 1003u, 0xFFFFu}) {
      EXPECT_EQ(command(dialog, id), FALSE) << id;
    }
    for (const UINT message : {WM_PAINT, WM_CLOSE, WM_INITDIALOG + 2}) {
      EXPECT_EQ(setupDialogProc(dialog, message, soundBoxId, 0), FALSE) << message;
    }
    EXPECT_FALSE(fake::platform().endResult.has_value());
    EXPECT_TRUE(showOptions.sound);
    EXPECT_TRUE(showOptions.fullscreen);
    EXPECT_FALSE(showOptions.loop);
  });
}

TEST_F(SetupDialogTest, CancellingKeepsTheChangesAlreadyMade) {
  fake::platform().dialogCommands = {soundBoxId, loopBoxId, IDCANCEL, fullscreenBoxId};
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(setupDialogId), nullptr, setupDialogProc, 0),
            0);
  EXPECT_FALSE(showOptions.sound);
  EXPECT_TRUE(showOptions.loop);
  EXPECT_TRUE(showOptions.fullscreen); // sent after the dialog ended
}

TEST_F(SetupDialogTest, ClicksThenOkThroughTheDialogBox) {
  fake::platform().dialogCommands = {fullscreenBoxId, soundBoxId, soundBoxId, IDOK};
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(setupDialogId), nullptr, setupDialogProc, 0),
            1);
  EXPECT_TRUE(fake::platform().initDialogResult);
  EXPECT_FALSE(showOptions.fullscreen);
  EXPECT_TRUE(showOptions.sound);
  EXPECT_FALSE(showOptions.loop);
}

} // namespace
