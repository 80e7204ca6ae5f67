// The window system's scripted fake.
// Implements: message boxes recorded, a clock that replays a script, and a
// dialog back end that feeds the procedure scripted commands.
// Leaves out: the dialog's template, handle and control-id checks
// (dialog_box_front, linked in front of it as in the program); any window.
#include "fake_platform.h"

#include "call_log.h"
#include "platform/clock.h"
#include "platform/dialog_box_front.h"
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

namespace {

// Behind the real layer's checks, so it refuses what the real layer refuses.
class FakeDialogs final : public DialogBackEnd {
public:
  bool run(DialogRun& run) override {
    fake::record("DialogBoxParamA(" + std::to_string(run.dialog().id) + ")");
    auto& state = platform();
    if (state.dialogFails)
      return false;
    state.endResult.reset();
    state.initDialogResult = run.init();
    if (state.whileShown)
      state.whileShown(run.handle());
    for (const int id : state.dialogCommands) {
      if (run.ended())
        break;
      if (id >= 1000) {
        UINT& box = state.buttons[id];
        box = box == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
      }
      run.command(id);
    }
    return true;
  }
  void setChecked(DialogRun& /*run*/, int id, bool checked) override {
    platform().buttons[id] = checked ? BST_CHECKED : BST_UNCHECKED;
  }
  bool checked(DialogRun& /*run*/, int id) override { return platform().buttons[id] == BST_CHECKED; }
  void end(DialogRun& run) override { platform().endResult = run.result(); }
};

} // namespace

DialogBackEnd& dialogBackEnd() {
  static FakeDialogs dialogs;
  return dialogs;
}
