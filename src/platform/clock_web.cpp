// The page's clock: performance.now(), milliseconds since the page opened.
#include <emscripten.h>

#include <chrono>
#include <cstdint>

#include "platform/clock.h"
#include "platform/millisecond_counter.h"

DWORD timeGetTime() {
  return millisecondCounter(
      std::chrono::milliseconds(static_cast<std::int64_t>(emscripten_get_now())));
}
