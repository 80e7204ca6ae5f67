#include "driver/show.h"
#include "platform/interrupt.h"

// The Windows entry point: the module instance is where the setup dialog's
// template is found. The command line is not read.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
  // As on Linux: Ctrl-C, where a console delivers one, ends the show cleanly.
  catchInterrupts();
  return runShow(instance);
}
