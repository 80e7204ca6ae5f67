#pragma once

#include "platform/win_types.h"

// The whole show: loads the pictures, sets up audio, asks for the options,
// opens the console and runs the frames. Returns the process exit code:
// 1 when the setup dialog is cancelled, 0 otherwise.
int runShow(HINSTANCE instance);
