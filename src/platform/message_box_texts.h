#pragma once
// What every MessageBoxA back end does before showing anything: the texts
// Windows would show for the arguments given, echoed to standard error.

#include "platform/win_types.h"

struct MessageBoxTexts {
  const char* caption;
  const char* text;
};

// A null caption shows as "Error" and a null text as an empty message, as
// Windows shows them.
MessageBoxTexts messageBoxTexts(const char* text, const char* caption);

// "caption: text" on standard error, for whoever started the program from a
// terminal, and the only trace where no box can be shown.
void echoMessageBox(const MessageBoxTexts& texts);
