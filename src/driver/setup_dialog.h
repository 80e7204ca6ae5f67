#pragma once
// The setup dialog's procedure: three check boxes bound straight to
// showOptions, and OK.

#include "platform/win_types.h"

constexpr WORD setupDialogId = 101;
constexpr int soundBoxId = 1000;
constexpr int fullscreenBoxId = 1001;
constexpr int loopBoxId = 1002;

INT_PTR setupDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
