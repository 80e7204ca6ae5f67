#pragma once
// A modal box with a caption, a text and an OK button. Without any display it
// writes caption and text to standard error instead. Never aborts.

#include "platform/win_types.h"

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
