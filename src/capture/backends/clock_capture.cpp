// The clock back end of a capture.
// Implements: time standing at each frame's moment, whatever the wall clock
// does, so frame n of a capture is the show at floor(n x 1000 / fps) ms.
// Leaves out: any link to the wall clock.
#include "capture/capture_session.h"
#include "platform/clock.h"

DWORD timeGetTime() {
  return captureSession().clockReading();
}
