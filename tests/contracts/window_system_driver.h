#pragma once
// What the window-system contract needs from each implementation it runs on:
// a way to press a key in a shown dialog or box, as a person would, and a
// look at what the last box showed.

#include <string>

#include "platform/win_types.h"

namespace window_system_driver {

enum class Key { enter, escape };

struct ShownBox {
  std::string caption;
  std::string text;
};

// The module the dialog templates are compiled into.
HINSTANCE moduleInstance();

// Called from a dialog's WM_INITDIALOG: presses the key once the dialog runs.
void pressWhenShown(HWND dialog, Key key);

// Before MessageBoxA: presses the key in the next box once it shows, and
// notes what it shows.
void answerNextMessageBox(Key key);
ShownBox lastMessageBox();

// How an implementation answers where implementations differ; ours answer
// as the defaults say.
struct Answers {
  // The capture's dialog is answered as if Return had been pressed at once:
  // no key reaches it.
  bool escapeReachesDialogs = true;
  // Windows answers Escape in a box with only OK as IDOK; Wine, standing in
  // for it in the tests, answers IDCANCEL.
  bool escapeInOkBoxesAnswersOk = true;
  // Windows runs a dialog without a procedure, which nothing could end; our
  // own implementations refuse it instead.
  bool refusesNullProcedure = true;
  // Windows' CheckDlgButton answers FALSE for a handle that names no dialog
  // or an id no control of it has; Wine's does nothing there too, but
  // answers TRUE.
  bool checkDlgButtonAnswersFalseWhenRefused = true;
};
Answers answers();

} // namespace window_system_driver
