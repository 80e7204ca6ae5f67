// MessageBoxA as an overlay on the page with an OK button; the show waits,
// giving the browser its turn, until it is answered.
#include <emscripten.h>

#include <cstdio>

#include "platform/message_box.h"

namespace {

EM_ASYNC_JS(void, pageMessageBox, (const char* caption, const char* text), {
  await VsfPage.messageBox(UTF8ToString(caption), UTF8ToString(text));
});

} // namespace

int MessageBoxA(HWND /*owner: always none here*/, const char* text, const char* caption,
                UINT /*type: only MB_OK is used*/) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  pageMessageBox(caption, text);
  return IDOK;
}
