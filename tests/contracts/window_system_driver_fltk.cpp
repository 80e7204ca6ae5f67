// The FLTK stand-ins on a display of their own: keys go through FLTK's own
// event dispatch to the modal window once it is shown, as from the keyboard.
#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include <cstdint>

#include "window_system_driver.h"

namespace window_system_driver {

namespace {

constexpr double retrySeconds = 0.01;

int fltkKey(Key key) {
  return key == Key::enter ? FL_Enter : FL_Escape;
}

void* keyData(Key key) {
  // FLTK carries a callback's data as a pointer; the key code rides in it.
  return reinterpret_cast<void*>( // NOLINT(performance-no-int-to-ptr)
      static_cast<std::intptr_t>(fltkKey(key)));
}

void sendKey(Fl_Window& window, void* key) {
  static char noText[] = "";
  Fl::e_keysym = static_cast<int>(reinterpret_cast<std::intptr_t>(key));
  Fl::e_text = noText;
  Fl::e_length = 0;
  Fl::e_state = 0;
  Fl::handle(FL_KEYBOARD, &window);
}

void pressInModalWindow(void* key) {
  Fl_Window* window = Fl::modal();
  if (window == nullptr || window->shown() == 0) {
    Fl::repeat_timeout(retrySeconds, pressInModalWindow, key);
    return;
  }
  sendKey(*window, key);
}

ShownBox shownBox;

// The box is the window's label and the text its first child's.
void answerModalBox(void* key) {
  Fl_Window* window = Fl::modal();
  if (window == nullptr || window->shown() == 0 || window->children() == 0) {
    Fl::repeat_timeout(retrySeconds, answerModalBox, key);
    return;
  }
  const char* text = window->child(0)->label();
  shownBox = {window->label() != nullptr ? window->label() : "", text != nullptr ? text : ""};
  sendKey(*window, key);
}

} // namespace

HINSTANCE moduleInstance() {
  return nullptr;
}

void pressWhenShown(HWND /*dialog*/, Key key) {
  Fl::add_timeout(0.0, pressInModalWindow, keyData(key));
}

void answerNextMessageBox(Key key) {
  shownBox = {};
  Fl::add_timeout(0.0, answerModalBox, keyData(key));
}

ShownBox lastMessageBox() {
  // A box that never showed leaves its answer waiting; it must not reach the next one.
  Fl::remove_timeout(answerModalBox);
  return shownBox;
}

Answers answers() {
  return {};
}

} // namespace window_system_driver
