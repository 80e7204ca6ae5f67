// The scripted fake: a key in the dialog is a scripted command, and the
// boxes it records are what it showed.
#include "fake_platform.h"
#include "window_system_driver.h"

namespace window_system_driver {

HINSTANCE moduleInstance() {
  return nullptr;
}

void pressWhenShown(HWND /*dialog*/, Key key) {
  fake::platform().dialogCommands = {key == Key::enter ? IDOK : IDCANCEL};
}

void answerNextMessageBox(Key /*key: the fake answers every box with OK*/) {
  fake::platform().messageBoxes.clear();
}

ShownBox lastMessageBox() {
  const auto& boxes = fake::platform().messageBoxes;
  if (boxes.empty())
    return {};
  return {boxes.back().caption, boxes.back().text};
}

Answers answers() {
  return {};
}

} // namespace window_system_driver
