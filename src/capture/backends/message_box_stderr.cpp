// MessageBoxA for programs without a screen: the caption and the text go to
// standard error and the box counts as answered with OK.
#include <cstdio>

#include "platform/message_box.h"

int MessageBoxA(HWND /*owner*/, const char* text, const char* caption, UINT /*type*/) {
  std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "Error",
               text != nullptr ? text : "");
  std::fflush(stderr);
  return IDOK;
}
