// The message box back end on FLTK, for the program on Linux.
// Implements: MessageBoxA as a small modal window, caption as title, the
// text, and an OK button that Return presses; Escape and the close box
// dismiss it too (the window's default callback hides it); caption and text
// on standard error as well (message_box_texts).
// Leaves out: every button set and icon but OK's, the owner window.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "platform/display_available.h"
#include "platform/fltk_options.h"
#include "platform/interrupt.h"
#include "platform/message_box.h"
#include "platform/message_box_texts.h"

namespace {

constexpr int margin = 16;
constexpr int maxTextWidth = 480;
constexpr int minBoxWidth = 220;
constexpr int buttonWidth = 90;
constexpr int buttonHeight = 28;
constexpr Fl_Fontsize textSize = 14;

} // namespace

int MessageBoxA(HWND /*owner: always none here*/, const char* text, const char* caption,
                UINT /*type: only MB_OK is used*/) {
  const MessageBoxTexts texts = messageBoxTexts(text, caption);
  const char* shownText = texts.text;
  const char* shownCaption = texts.caption;
  echoMessageBox(texts);
  useDefaultFltkOptions();
  // After Ctrl-C the box would only stand in the way of ending.
  if (interruptRequested() || !displayAvailable()) {
    return IDOK;
  }

  fl_font(FL_HELVETICA, textSize);
  int textWidth = 0;
  int textHeight = 0;
  fl_measure(shownText, textWidth, textHeight, 0);
  if (textWidth > maxTextWidth) {
    // A set width makes fl_measure wrap the text to it.
    textWidth = maxTextWidth;
    textHeight = 0;
    fl_measure(shownText, textWidth, textHeight, 0);
  }

  const int width = std::max(textWidth + 2 * margin, minBoxWidth);
  const int height = margin + textHeight + margin + buttonHeight + margin;
  Fl_Double_Window window(width, height, shownCaption);
  Fl_Box message(margin, margin, width - 2 * margin, textHeight, shownText);
  message.labelsize(textSize);
  message.align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_WRAP);
  Fl_Return_Button ok((width - buttonWidth) / 2, height - margin - buttonHeight, buttonWidth,
                      buttonHeight, "OK");
  ok.callback([](Fl_Widget* button, void*) { button->window()->hide(); });
  window.end();
  window.set_modal();
  window.position((Fl::w() - width) / 2, (Fl::h() - height) / 2);
  window.show();
  while (window.shown() && !interruptRequested())
    Fl::wait(interruptPollMilliseconds / 1000.0);
  return IDOK;
}
