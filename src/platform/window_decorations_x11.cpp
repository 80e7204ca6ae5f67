#include "platform/window_decorations_x11.h"

#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <X11/Xatom.h>

#include <algorithm>
#include <array>

namespace {

// The Motif window-manager hints, still the common way to ask for fewer
// decorations: flags, functions, decorations, input mode, status.
constexpr long mwmHintsFunctions = 1L << 0;
constexpr long mwmHintsDecorations = 1L << 1;
constexpr long mwmFunctionMove = 1L << 2;
constexpr long mwmDecorationBorder = 1L << 1;
constexpr long mwmDecorationTitle = 1L << 3;

} // namespace

void removeTitleBarButtons(Fl_Window& window) {
  const Window xid = fl_xid(&window);
  if (fl_display == nullptr || xid == 0) {
    return;
  }
  // Format-32 properties travel as longs in Xlib.
  std::array<long, 5> hints{mwmHintsFunctions | mwmHintsDecorations, mwmFunctionMove,
                            mwmDecorationBorder | mwmDecorationTitle, 0, 0};
  const Atom property = XInternAtom(fl_display, "_MOTIF_WM_HINTS", 0);
  XChangeProperty(fl_display, xid, property, property, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(hints.data()), static_cast<int>(hints.size()));
  XFlush(fl_display);
}

namespace {

// Reads a format-32 property of `type`; false unless it holds `count` items.
bool readLongs(Window xid, const char* name, Atom type, long* values, unsigned long count) {
  const Atom property = XInternAtom(fl_display, name, 1);
  if (property == 0) {
    return false;
  }
  Atom actualType = 0;
  int actualFormat = 0;
  unsigned long items = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  const int status =
      XGetWindowProperty(fl_display, xid, property, 0, static_cast<long>(count), 0, type,
                         &actualType, &actualFormat, &items, &remaining, &data);
  const bool complete =
      status == 0 && data != nullptr && actualType == type && actualFormat == 32 && items == count;
  if (complete) {
    const long* longs = reinterpret_cast<const long*>(data);
    std::copy(longs, longs + count, values);
  }
  if (data != nullptr) {
    XFree(data);
  }
  return complete;
}

} // namespace

bool frameExtents(const Fl_Window& window, FrameExtents& extents) {
  const Window xid = fl_xid(&window);
  std::array<long, 4> values{};
  if (fl_display == nullptr || xid == 0 ||
      !readLongs(xid, "_NET_FRAME_EXTENTS", XA_CARDINAL, values.data(), values.size())) {
    return false;
  }
  extents = {static_cast<int>(values[0]), static_cast<int>(values[1]), static_cast<int>(values[2]),
             static_cast<int>(values[3])};
  return true;
}

bool windowManagerReportsFrames() {
  long checkWindow = 0;
  return fl_display != nullptr &&
         readLongs(XDefaultRootWindow(fl_display), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW,
                   &checkWindow, 1) &&
         checkWindow != 0;
}
