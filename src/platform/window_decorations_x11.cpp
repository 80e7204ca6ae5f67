#include "platform/window_decorations_x11.h"

#include <FL/Fl_Window.H>
#include <FL/x.H>

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
