#pragma once
// Scripted window system: message boxes are recorded, the clock replays a
// script, and the dialog box feeds the procedure scripted commands.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace fake {

struct MessageBoxCall {
  std::string caption;
  std::string text;
};

struct PlatformState {
  std::vector<MessageBoxCall> messageBoxes;

  // timeGetTime returns the scripted times in order; once they run out it
  // returns `now` advanced by `step` on every call.
  std::deque<DWORD> times;
  DWORD now = 0;
  DWORD step = 0;

  // DialogBoxParamA: returns -1 when `dialogFails` or where the real call
  // fails (unknown template, no procedure, never ended); otherwise sends
  // WM_INITDIALOG, runs `whileShown` with the dialog's handle, then sends
  // each scripted command as WM_COMMAND (a check box id toggles that box
  // first, as a click would), stopping once EndDialog runs.
  bool dialogFails = false;
  std::function<void(HWND dialog)> whileShown;
  std::vector<int> dialogCommands;

  // Check box states by id, what WM_INITDIALOG returned, and the result
  // EndDialog was given.
  std::map<int, UINT> buttons;
  bool initDialogResult = false;
  std::optional<INT_PTR> endResult;
};

PlatformState& platform();
void resetPlatform();

} // namespace fake
