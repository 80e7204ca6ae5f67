// The window-system layer's promises, held by every implementation: the FLTK
// stand-ins, the capture's unseen dialog and standard-error boxes, the
// scripted fake and, under Wine, Windows' own calls. Each is linked with its
// window_system_driver, which presses the keys a person would.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/dialog_box.h"
#include "platform/message_box.h"
#include "window_system_driver.h"

namespace {

using window_system_driver::Key;

constexpr WORD setupDialogId = 101; // the one template compiled in
constexpr std::array<int, 3> boxIds = {1000, 1001, 1002};

// What the recording procedure saw during one dialog.
struct Observed {
  int calls = 0;
  LPARAM initParam = -1;
  std::vector<int> commands;
  std::array<UINT, 3> boxesAtEnd{};
};

Observed observed;
Key keyToPress = Key::enter;

// Distinct per command and per box states, so a result cannot be mistaken.
INT_PTR endCode(int command, LPARAM states) {
  return 100 * command + states;
}

// The state box `box` is set to: the init parameter's base-3 digits, so
// every mix of unchecked, checked and indeterminate comes up.
UINT stateSet(LPARAM states, std::size_t box) {
  for (std::size_t i = 0; i < box; ++i)
    states /= 3;
  return static_cast<UINT>(states % 3);
}
constexpr LPARAM stateMixes = 27;

// Sets the boxes from the init parameter, has the key pressed, and ends on
// OK or Cancel with the boxes read back.
INT_PTR recordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  ++observed.calls;
  if (message == WM_INITDIALOG) {
    observed.initParam = lParam;
    for (std::size_t i = 0; i < boxIds.size(); ++i)
      CheckDlgButton(dialog, boxIds[i], stateSet(lParam, i));
    window_system_driver::pressWhenShown(dialog, keyToPress);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    const int command = LOWORD(wParam);
    observed.commands.push_back(command);
    if (command == IDOK || command == IDCANCEL) {
      for (std::size_t i = 0; i < boxIds.size(); ++i)
        observed.boxesAtEnd[i] = IsDlgButtonChecked(dialog, boxIds[i]);
      EndDialog(dialog, endCode(command, observed.initParam));
    }
  }
  return FALSE;
}

INT_PTR runDialog(const char* templateName, DLGPROC procedure, LPARAM initParam = 0) {
  observed = Observed{};
  return DialogBoxParamA(window_system_driver::moduleInstance(), templateName, nullptr, procedure,
                         initParam);
}

TEST(WindowSystemContract, UnknownTemplatesFailWithoutCallingTheProcedure) {
  std::vector<WORD> ids;
  for (WORD id = 0; id < 1100; ++id)
    ids.push_back(id);
  ids.insert(ids.end(), {0x7FFF, 0x8000, 0xFFFF});
  for (const WORD id : ids) {
    if (id == setupDialogId)
      continue;
    EXPECT_EQ(runDialog(MAKEINTRESOURCEA(id), recordingProc), -1) << id;
    EXPECT_EQ(observed.calls, 0) << id;
  }
  EXPECT_EQ(runDialog("SETUP", recordingProc), -1);
  EXPECT_EQ(observed.calls, 0);
}

TEST(WindowSystemContract, NullProcedureFails) {
  if (!window_system_driver::answers().refusesNullProcedure)
    GTEST_SKIP() << "Windows runs such a dialog, and nothing could end it";
  EXPECT_EQ(runDialog(MAKEINTRESOURCEA(setupDialogId), nullptr), -1);
}

// Return is OK and Escape is Cancel, and either way the call returns what
// the procedure gave EndDialog, with the boxes as the procedure set them: a
// two-state box shows any state but unchecked as checked.
TEST(WindowSystemContract, ReturnAndEscapeEndTheDialogThroughItsProcedure) {
  for (const Key key : {Key::enter, Key::escape}) {
    if (key == Key::escape && !window_system_driver::answers().escapeReachesDialogs)
      continue;
    const int command = key == Key::enter ? IDOK : IDCANCEL;
    for (LPARAM states = 0; states < stateMixes; ++states) {
      SCOPED_TRACE(testing::Message() << "command " << command << ", boxes " << states);
      keyToPress = key;
      EXPECT_EQ(runDialog(MAKEINTRESOURCEA(setupDialogId), recordingProc, states),
                endCode(command, states));
      EXPECT_EQ(observed.initParam, states);
      EXPECT_EQ(observed.commands, std::vector<int>{command});
      for (std::size_t i = 0; i < boxIds.size(); ++i) {
        const UINT expected = stateSet(states, i) != BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED;
        EXPECT_EQ(observed.boxesAtEnd[i], expected) << boxIds[i];
      }
    }
  }
}

// As Windows answers them: a call naming no running dialog, or no check box
// of it, changes nothing and answers FALSE (IsDlgButtonChecked: unchecked).
// Every bad parameter in one list, tried while a dialog runs and after.
int foreignObject;
const HWND badHandles[] = {nullptr, reinterpret_cast<HWND>(&foreignObject)};
const int badIds[] = {0, 3, 999, 1003, -1, 0xFFFF, 0x10000 + 1000};
HWND lastDialog = nullptr;

// CheckDlgButton's answer to a bad parameter, where it is held to FALSE.
void expectRefused(BOOL answer) {
  if (window_system_driver::answers().checkDlgButtonAnswersFalseWhenRefused) {
    EXPECT_EQ(answer, FALSE);
  }
}

INT_PTR refusingProc(HWND dialog, UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  if (message != WM_INITDIALOG)
    return FALSE;
  lastDialog = dialog;
  EXPECT_EQ(CheckDlgButton(dialog, boxIds[0], BST_CHECKED), TRUE);
  for (const HWND bad : badHandles) {
    SCOPED_TRACE(testing::Message() << "handle " << bad);
    expectRefused(CheckDlgButton(bad, boxIds[0], BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(bad, boxIds[0]), BST_UNCHECKED);
    EXPECT_EQ(EndDialog(bad, 7), FALSE);
  }
  for (const int id : badIds) {
    SCOPED_TRACE(testing::Message() << "id " << id);
    expectRefused(CheckDlgButton(dialog, id, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog, id), BST_UNCHECKED);
  }
  EXPECT_EQ(IsDlgButtonChecked(dialog, boxIds[0]), BST_CHECKED) << "a refused call changed it";
  EXPECT_EQ(EndDialog(dialog, 42), TRUE);
  return TRUE;
}

TEST(WindowSystemContract, BadHandlesAndControlIdsAreRefused) {
  EXPECT_EQ(runDialog(MAKEINTRESOURCEA(setupDialogId), refusingProc), 42);
  ASSERT_NE(lastDialog, nullptr);
  // The dialog is gone: its handle names nothing now.
  expectRefused(CheckDlgButton(lastDialog, boxIds[0], BST_CHECKED));
  EXPECT_EQ(IsDlgButtonChecked(lastDialog, boxIds[0]), BST_UNCHECKED);
  EXPECT_EQ(EndDialog(lastDialog, 7), FALSE);
}

// The show's boxes have only OK, so Return and Escape both answer IDOK.
void expectOkBoxAnswersOk(Key key) {
  window_system_driver::answerNextMessageBox(key);
  EXPECT_EQ(MessageBoxA(nullptr, "BASS version 1.7 was not loaded", "Incorrect BASS.DLL", MB_OK),
            IDOK);
  const window_system_driver::ShownBox shown = window_system_driver::lastMessageBox();
  EXPECT_EQ(shown.caption, "Incorrect BASS.DLL");
  EXPECT_EQ(shown.text, "BASS version 1.7 was not loaded");
}

TEST(WindowSystemContract, OkBoxesAnswerOkToReturn) {
  expectOkBoxAnswersOk(Key::enter);
}

TEST(WindowSystemContract, OkBoxesAnswerOkToEscape) {
  if (!window_system_driver::answers().escapeInOkBoxesAnswersOk)
    GTEST_SKIP() << "Wine answers IDCANCEL here, where Windows answers IDOK";
  expectOkBoxAnswersOk(Key::escape);
}

// A missing caption shows as "Error", a missing text as an empty message.
TEST(WindowSystemContract, MissingCaptionOrTextShowAsWindowsShowsThem) {
  struct Case {
    const char* text;
    const char* caption;
    const char* shownText;
    const char* shownCaption;
  };
  const Case cases[] = {
      {nullptr, nullptr, "", "Error"},
      {"Can't initialize digital sound system", nullptr, "Can't initialize digital sound system",
       "Error"},
      {nullptr, "Incorrect BASS.DLL", "", "Incorrect BASS.DLL"},
  };
  for (const Case& c : cases) {
    window_system_driver::answerNextMessageBox(Key::enter);
    EXPECT_EQ(MessageBoxA(nullptr, c.text, c.caption, MB_OK), IDOK);
    const window_system_driver::ShownBox shown = window_system_driver::lastMessageBox();
    EXPECT_EQ(shown.caption, c.shownCaption);
    EXPECT_EQ(shown.text, c.shownText);
  }
}

} // namespace
