#pragma once
// What happens when the X server goes away under the show, its dialog or a
// message box (killed, or a window's connection cut): Xlib, or FLTK, would
// end the process with code 1 from deep inside any call. We say what happened
// and end with 0 instead, as for any other display failure. The handler is
// process-wide; whoever opens a connection sets it after its library's own.

void exitCleanlyOnDisplayLoss();
