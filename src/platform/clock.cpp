#include "platform/clock.h"

#include <chrono>

#include "platform/millisecond_counter.h"

DWORD timeGetTime() {
  return millisecondCounter(std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch()));
}
