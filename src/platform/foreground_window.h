#pragma once
// The window the user is working in; the audio layer accepts it as its owner.

#include "platform/win_types.h"

HWND GetForegroundWindow();
