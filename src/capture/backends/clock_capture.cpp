// The capture's clock: time stands at each frame's moment, whatever the
// wall clock does, so frame n of a capture is the show at floor(n x 1000 / fps) ms.
#include "capture/capture_session.h"
#include "platform/clock.h"

DWORD timeGetTime() {
  return captureSession().clockReading();
}
