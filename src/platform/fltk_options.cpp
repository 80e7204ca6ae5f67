#include "platform/fltk_options.h"

#include <FL/Fl.H>

namespace {

unsigned char* fltkOptionsReadFlag();

// Fl::options_read_ is private, but access is not checked in the arguments
// of an explicit instantiation; the friend hands the address out.
template <unsigned char* Flag> struct FltkOptionsReadFlag {
  friend unsigned char* fltkOptionsReadFlag() { return Flag; }
};
template struct FltkOptionsReadFlag<&Fl::options_read_>;

} // namespace

void useDefaultFltkOptions() {
  unsigned char* const read = fltkOptionsReadFlag();
  if (*read != 0) {
    return;
  }
  *read = 1;
  Fl::option(Fl::OPTION_ARROW_FOCUS, false);
  Fl::option(Fl::OPTION_VISIBLE_FOCUS, true);
  Fl::option(Fl::OPTION_DND_TEXT, true);
  Fl::option(Fl::OPTION_SHOW_TOOLTIPS, true);
  Fl::option(Fl::OPTION_FNFC_USES_GTK, true);
}
