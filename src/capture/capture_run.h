#pragma once
// A whole capture: checks the music, opens the output, runs the show on the
// capture back ends and names the finished file. Messages go to standard
// error. Returns the process exit code: 0 when every frame was captured,
// 128 + the signal's number when a signal cut it short (the file then holds
// what was captured so far), 1 on any failure (nothing is left behind).

#include "capture/capture_arguments.h"

int runCapture(const CaptureArguments& arguments);
