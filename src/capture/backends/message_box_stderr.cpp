// The message box back end for programs without a screen.
// Implements: caption and text on standard error, answered with OK.
// Leaves out: any window, every button set but OK's.
#include "platform/message_box.h"
#include "platform/message_box_texts.h"

int MessageBoxA(HWND /*owner*/, const char* text, const char* caption, UINT /*type*/) {
  echoMessageBox(messageBoxTexts(text, caption));
  return IDOK;
}
