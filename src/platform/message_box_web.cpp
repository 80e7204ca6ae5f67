// The message box back end of a web page.
// Implements: MessageBoxA as an overlay on the page with an OK button; the
// show waits, giving the browser its turn, until it is answered; caption
// and text on standard error, the browser's console, as well.
// Leaves out: every button set and icon but OK's, the owner window.
#include <emscripten.h>

#include "platform/message_box.h"
#include "platform/message_box_texts.h"

namespace {

EM_ASYNC_JS(void, pageMessageBox, (const char* caption, const char* text), {
  await VsfPage.messageBox(UTF8ToString(caption), UTF8ToString(text));
});

} // namespace

int MessageBoxA(HWND /*owner: always none here*/, const char* text, const char* caption,
                UINT /*type: only MB_OK is used*/) {
  const MessageBoxTexts texts = messageBoxTexts(text, caption);
  echoMessageBox(texts);
  pageMessageBox(texts.caption, texts.text);
  return IDOK;
}
