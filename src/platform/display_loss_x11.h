#pragma once
// What happens when the X server goes away under the show (killed, or the
// window's connection cut): Xlib would end the process with code 1 from deep
// inside any call. We say what happened and end with 0 instead, as for any
// other display failure.

void exitCleanlyOnDisplayLoss();
