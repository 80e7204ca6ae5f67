#include "platform/foreground_window.h"

// The audio layer takes no owner window here; none is a valid answer.
HWND GetForegroundWindow() {
  return nullptr;
}
