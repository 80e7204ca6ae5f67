#pragma once
// A modal box with a caption, a text and an OK button. Caption and text also
// go to standard error, so they are seen even without a display. Never aborts.

#include "platform/win_types.h"

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
