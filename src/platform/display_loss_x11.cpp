#include "platform/display_loss_x11.h"

#include <X11/Xlib.h>

#include <cstdlib>
#include <unistd.h>

namespace {

// Xlib ends the process when this returns, and the connection is gone, so
// nothing here may touch the display or run other exit handlers.
int onDisplayLost(Display*) {
  constexpr char message[] = "velvetstaticfog: the connection to the display was lost\n";
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
  std::_Exit(0);
}

} // namespace

void exitCleanlyOnDisplayLoss() {
  XSetIOErrorHandler(onDisplayLost);
}
