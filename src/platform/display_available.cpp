#include "platform/display_available.h"

#include "platform/display_loss_x11.h"

#include <FL/Fl.H>
#include <FL/x.H>

bool displayAvailable() {
  if (fl_display != nullptr) {
    return true;
  }
  // fl_open_display() calls exit() on failure; open the connection ourselves
  // and hand it over instead.
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    return false;
  }
  fl_open_display(display); // sets FLTK's own handler, which exits with 1
  exitCleanlyOnDisplayLoss();
  return true;
}
