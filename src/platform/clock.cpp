// The clock back end on Linux.
// Implements: timeGetTime as a monotonic millisecond counter that wraps as
// winmm's does.
// Leaves out: the timer resolution calls, which the show does not make.
#include "platform/clock.h"

#include <chrono>

#include "platform/millisecond_counter.h"

DWORD timeGetTime() {
  return millisecondCounter(std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch()));
}
