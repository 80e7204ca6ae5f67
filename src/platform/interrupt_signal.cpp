// The interrupt flag over the C library's signals, which every target has.
#include <csignal>

#include "platform/interrupt.h"

namespace {

volatile std::sig_atomic_t requested = 0;

extern "C" void onInterrupt(int /*signal*/) {
  requested = 1;
}

void catchSignal(int signal) {
  if (std::signal(signal, onInterrupt) == SIG_IGN)
    std::signal(signal, SIG_IGN);
}

} // namespace

void catchInterrupts() {
  catchSignal(SIGINT);
  catchSignal(SIGTERM);
}

bool interruptRequested() {
  return requested != 0;
}
