// The page's window system: keys are pressed on the page as a person's would
// reach it, through the page's own listeners once the program waits for the
// browser; a box's caption and text are read from the page as it shows them.
#include <emscripten.h>

#include <string>

#include "window_system_driver.h"

namespace {

EM_JS(void, pagePressWhenWaiting, (int escape), {
  const key = escape ? 'Escape' : 'Enter';
  setTimeout(() => document.dispatchEvent(
    new KeyboardEvent('keydown', { key, bubbles: true, cancelable: true })), 0);
});

// Notes the box's caption and text the moment it is answered.
EM_JS(void, pageAnswerNextBox, (int escape), {
  const key = escape ? 'Escape' : 'Enter';
  globalThis.vsfShownBox = null;
  setTimeout(() => {
    const box = document.querySelector('.message-box');
    globalThis.vsfShownBox = box === null ? null : {
      caption: box.querySelector('.caption').textContent,
      text: box.querySelector('.message').textContent,
    };
    document.dispatchEvent(new KeyboardEvent('keydown', { key, bubbles: true, cancelable: true }));
  }, 0);
});

// Copies the part into `out` and answers its length in UTF-8 bytes.
EM_JS(int, pageShownBoxPart, (int text, char* out, int size), {
  const box = globalThis.vsfShownBox;
  const part = box === null ? '(no box was shown)' : (text ? box.text : box.caption);
  stringToUTF8(part, out, size);
  return lengthBytesUTF8(part);
});

std::string shownBoxPart(bool text) {
  std::string part(256, '\0');
  const int length = pageShownBoxPart(text ? 1 : 0, part.data(), static_cast<int>(part.size()));
  part.resize(static_cast<std::size_t>(length) < part.size() ? static_cast<std::size_t>(length)
                                                              : part.size() - 1);
  return part;
}

} // namespace

namespace window_system_driver {

HINSTANCE moduleInstance() {
  return nullptr;
}

void pressWhenShown(HWND /*dialog*/, Key key) {
  pagePressWhenWaiting(key == Key::escape ? 1 : 0);
}

void answerNextMessageBox(Key key) {
  pageAnswerNextBox(key == Key::escape ? 1 : 0);
}

ShownBox lastMessageBox() {
  return {shownBoxPart(false), shownBoxPart(true)};
}

// The page's boxes have only OK, whichever key answers them.
Answers answers() {
  return {};
}

} // namespace window_system_driver
