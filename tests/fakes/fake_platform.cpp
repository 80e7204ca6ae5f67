#include "fake_platform.h"

#include "call_log.h"
#include "platform/clock.h"
#include "platform/dialog_box.h"
#include "platform/dialog_box_checks.h"
#include "platform/foreground_window.h"
#include "platform/message_box.h"
#include "platform/message_box_texts.h"

namespace fake {

PlatformState& platform() {
  static PlatformState state;
  return state;
}

void resetPlatform() {
  platform() = PlatformState{};
}

} // namespace fake

using fake::platform;

int MessageBoxA(HWND, const char* text, const char* caption, UINT) {
  const MessageBoxTexts shown = messageBoxTexts(text, caption);
  fake::record(std::string("MessageBoxA(") + shown.caption + ")");
  platform().messageBoxes.push_back({shown.caption, shown.text});
  return IDOK;
}

DWORD timeGetTime() {
  auto& state = platform();
  if (!state.times.empty()) {
    const DWORD time = state.times.front();
    state.times.pop_front();
    return time;
  }
  state.now += state.step;
  return state.now;
}

HWND GetForegroundWindow() {
  return nullptr;
}

namespace {
// Any non-null handle will do; the fake has one dialog at a time.
HWND fakeDialog() {
  static int dialog;
  return reinterpret_cast<HWND>(&dialog);
}
} // namespace

INT_PTR DialogBoxParamA(HINSTANCE, const char* templateName, HWND, DLGPROC dialogProc,
                        LPARAM initParam) {
  fake::record("DialogBoxParamA(" + std::to_string(reinterpret_cast<std::uintptr_t>(templateName)) +
               ")");
  auto& state = platform();
  if (state.dialogFails || dialogToRun(templateName, dialogProc) == nullptr)
    return dialogFailed;
  state.endResult.reset();
  state.initDialogResult = dialogProc(fakeDialog(), WM_INITDIALOG, 0, initParam);
  for (const int id : state.dialogCommands) {
    if (state.endResult)
      break;
    if (id >= 1000) {
      UINT& box = state.buttons[id];
      box = box == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    }
    dialogProc(fakeDialog(), WM_COMMAND, static_cast<WPARAM>(id), 0);
  }
  return state.endResult ? *state.endResult : state.dialogResultIfNotEnded;
}

BOOL CheckDlgButton(HWND, int buttonId, UINT check) {
  platform().buttons[buttonId] = twoStateCheck(check);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND, int buttonId) {
  return platform().buttons[buttonId];
}

BOOL EndDialog(HWND, INT_PTR result) {
  platform().endResult = result;
  return TRUE;
}
