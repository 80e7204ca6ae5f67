#include "resources/dialog_template.h"

#include <array>

namespace {

using namespace dialog_style;

constexpr std::uint32_t checkBoxStyle = child | visible | tabStop | buttonTop | autoCheckBox;

// The setup dialog: one row of boxes (fullscreen, loop, sound from left to
// right) over a full-width OK button. Template order differs from screen order.
constexpr std::array setupControls{
    DialogControl{1, "OK", DialogControlKind::pushButton, 0, 11, 122, 16, child | visible,
                  exStaticEdge},
    DialogControl{1000, "sound", DialogControlKind::autoCheckBox, 85, 0, 35, 11, checkBoxStyle,
                  exRight},
    DialogControl{1001, "fullscreen", DialogControlKind::autoCheckBox, 0, 0, 46, 11, checkBoxStyle,
                  exRight},
    DialogControl{1002, "loop", DialogControlKind::autoCheckBox, 54, 0, 28, 11, checkBoxStyle,
                  exRight},
};

constexpr DialogTemplate setupTemplate{
    101,
    "_____________________",
    popup | caption | center | modalFrame | setFont | look3d | absAlign,
    0,
    0,
    0,
    122,
    27,
    DialogFont{"Small Fonts", 7, 0, false, 1},
    setupControls,
};

static_assert(setupTemplate.style == 0x80C008C5);
static_assert(checkBoxStyle == 0x50010403);

constexpr std::array templates{&setupTemplate};

} // namespace

const DialogTemplate* findDialogTemplate(int id) {
  for (const DialogTemplate* dialog : templates) {
    if (dialog->id == id) {
      return dialog;
    }
  }
  return nullptr;
}
