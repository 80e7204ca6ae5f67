// MessageBoxA for programs without a screen: the caption and the text go to
// standard error and the box counts as answered with OK.
#include "platform/message_box.h"
#include "platform/message_box_texts.h"

int MessageBoxA(HWND /*owner*/, const char* text, const char* caption, UINT /*type*/) {
  echoMessageBox(messageBoxTexts(text, caption));
  return IDOK;
}
