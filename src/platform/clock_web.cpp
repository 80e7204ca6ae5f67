// The clock back end of a web page.
// Implements: timeGetTime as performance.now(), milliseconds since the page
// opened, wrapping as winmm's does.
// Leaves out: the timer resolution calls, which the show does not make.
#include <emscripten.h>

#include <chrono>
#include <cstdint>

#include "platform/clock.h"
#include "platform/millisecond_counter.h"

DWORD timeGetTime() {
  return millisecondCounter(
      std::chrono::milliseconds(static_cast<std::int64_t>(emscripten_get_now())));
}
