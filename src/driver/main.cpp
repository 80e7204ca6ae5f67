#include "driver/show.h"
#include "platform/interrupt.h"

// No command line, no environment: everything the show needs is built in or
// chosen in its setup dialog.
int main() {
  // Before anything else, so that Ctrl-C is never swallowed by a library
  // that would otherwise install its own handler first.
  catchInterrupts();
  return runShow(nullptr);
}
