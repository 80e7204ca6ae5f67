// The capture's window system: dialogs answer as Return pressed at once, and
// a box is what it wrote to standard error.
#include <gtest/gtest.h>

#include "window_system_driver.h"

namespace window_system_driver {

HINSTANCE moduleInstance() {
  return nullptr;
}

void pressWhenShown(HWND /*dialog*/, Key /*key*/) {}

void answerNextMessageBox(Key /*key*/) {
  testing::internal::CaptureStderr();
}

// "caption: text" and a line end; the captions never hold ": ".
ShownBox lastMessageBox() {
  std::string line = testing::internal::GetCapturedStderr();
  if (line.empty() || line.back() != '\n')
    return {"", "(not one line: " + line + ")"};
  line.pop_back();
  const std::size_t colon = line.find(": ");
  if (colon == std::string::npos)
    return {"", "(no caption: " + line + ")"};
  return {line.substr(0, colon), line.substr(colon + 2)};
}

Answers answers() {
  return {.escapeReachesDialogs = false};
}

} // namespace window_system_driver
