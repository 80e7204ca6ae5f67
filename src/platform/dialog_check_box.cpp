#include "platform/dialog_check_box.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cmath>

namespace {

// The Windows check glyph is 13 pixels square at 96 dpi, whatever the font.
constexpr int glyphSide = 13;
constexpr int captionGap = 3;
constexpr int focusMargin = 2; // room for the focus rectangle around the caption

} // namespace

DialogCheckBox::DialogCheckBox(int x, int y, int width, int height, bool boxOnRight, bool alignTop)
    : Fl_Button(x, y, width, height), boxOnRight_(boxOnRight), alignTop_(alignTop) {
  type(FL_TOGGLE_BUTTON);
  box(FL_FLAT_BOX);
  down_box(FL_FLAT_BOX);
  when(FL_WHEN_RELEASE);
}

void DialogCheckBox::draw() {
  draw_box(FL_FLAT_BOX, FL_BACKGROUND_COLOR);

  fl_font(labelfont(), labelsize());
  const int lineHeight = fl_height();
  const int side = std::min({glyphSide, w(), h()});
  const int lineTop = alignTop_ ? y() : y() + (h() - lineHeight) / 2;
  const int boxLeft = boxOnRight_ ? x() + w() - side : x();
  const int boxTop = std::max(y(), lineTop + (lineHeight - side) / 2);
  fl_draw_box(FL_DOWN_BOX, boxLeft, boxTop, side, side, FL_BACKGROUND2_COLOR);
  if (value() != 0) {
    drawTick(boxLeft, boxTop, side);
  }

  const int textWidth = std::max(0, w() - side - captionGap - 2 * focusMargin);
  const int textLeft = (boxOnRight_ ? x() : x() + side + captionGap) + focusMargin;
  const Fl_Align align = (boxOnRight_ ? FL_ALIGN_RIGHT : FL_ALIGN_LEFT) | FL_ALIGN_INSIDE |
                         FL_ALIGN_CLIP | FL_ALIGN_TOP;
  draw_label(textLeft, lineTop, textWidth, lineHeight, align);

  if (Fl::focus() == this && Fl::visible_focus() != 0 && label() != nullptr) {
    const int captionWidth = std::min(textWidth, static_cast<int>(std::lround(fl_width(label()))));
    const int captionLeft = boxOnRight_ ? textLeft + textWidth - captionWidth : textLeft;
    draw_focus(FL_FLAT_BOX, captionLeft - focusMargin, lineTop, captionWidth + 2 * focusMargin,
               lineHeight);
  }
}

void DialogCheckBox::drawTick(int left, int top, int side) const {
  const int inset = std::max(2, side / 4);
  const int midX = left + side / 2 - 1;
  const int bottom = top + side - inset - 1;
  fl_color(active_r() != 0 ? FL_FOREGROUND_COLOR : fl_inactive(FL_FOREGROUND_COLOR));
  fl_line_style(FL_SOLID | FL_CAP_SQUARE, 2);
  fl_line(left + inset, top + side / 2, midX, bottom, left + side - inset - 1, top + inset);
  fl_line_style(0);
}
