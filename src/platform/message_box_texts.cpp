#include "platform/message_box_texts.h"

#include <cstdio>

MessageBoxTexts messageBoxTexts(const char* text, const char* caption) {
  return {caption != nullptr ? caption : "Error", text != nullptr ? text : ""};
}

void echoMessageBox(const MessageBoxTexts& texts) {
  std::fprintf(stderr, "%s: %s\n", texts.caption, texts.text);
  std::fflush(stderr);
}
