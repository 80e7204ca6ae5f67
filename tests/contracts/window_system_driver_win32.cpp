// Windows' own calls: keys are posted to the dialog or box as the keyboard
// would deliver them, and a box is read from its window once it shows.
#include <array>

#include "platform/win_types.h"
#include "window_system_driver.h"

namespace window_system_driver {

namespace {

constexpr UINT retryMilliseconds = 20;

WPARAM virtualKey(Key key) {
  return key == Key::enter ? VK_RETURN : VK_ESCAPE;
}

std::string windowText(HWND window) {
  std::array<char, 512> text{};
  const int length = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return {text.data(), static_cast<std::size_t>(length > 0 ? length : 0)};
}

BOOL CALLBACK findShownDialog(HWND window, LPARAM found) {
  std::array<char, 16> className{};
  GetClassNameA(window, className.data(), static_cast<int>(className.size()));
  if (IsWindowVisible(window) && std::string(className.data()) == "#32770") {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

// The box's message is its one static control that holds text.
BOOL CALLBACK collectStaticText(HWND child, LPARAM text) {
  std::array<char, 16> className{};
  GetClassNameA(child, className.data(), static_cast<int>(className.size()));
  if (lstrcmpiA(className.data(), "Static") == 0)
    *reinterpret_cast<std::string*>(text) += windowText(child);
  return TRUE;
}

Key pendingKey = Key::enter;
ShownBox shownBox;

void CALLBACK answerShownBox(HWND /*window*/, UINT /*message*/, UINT_PTR timer, DWORD /*time*/) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), findShownDialog, reinterpret_cast<LPARAM>(&box));
  if (box == nullptr)
    return; // not shown yet: the next tick tries again
  KillTimer(nullptr, timer);
  shownBox.caption = windowText(box);
  EnumChildWindows(box, collectStaticText, reinterpret_cast<LPARAM>(&shownBox.text));
  PostMessageA(box, WM_KEYDOWN, virtualKey(pendingKey), 0);
}

} // namespace

HINSTANCE moduleInstance() {
  return GetModuleHandleA(nullptr);
}

void pressWhenShown(HWND dialog, Key key) {
  // Queued now, read by the dialog's own loop once it runs.
  PostMessageA(dialog, WM_KEYDOWN, virtualKey(key), 0);
}

void answerNextMessageBox(Key key) {
  pendingKey = key;
  shownBox = {};
  SetTimer(nullptr, 0, retryMilliseconds, answerShownBox);
}

ShownBox lastMessageBox() {
  return shownBox;
}

// Wine's ntdll tells its version; Windows' has no such export.
bool onWine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

Answers answers() {
  return {.escapeInOkBoxesAnswersOk = !onWine(),
          .refusesNullProcedure = false,
          .checkDlgButtonAnswersFalseWhenRefused = !onWine()};
}

} // namespace window_system_driver
