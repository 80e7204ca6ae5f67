#include "resources/dialog_template.h"

#include <array>

namespace {

using namespace dialog_style;

constexpr DialogControlKind controlKind(std::uint32_t style) {
  switch (style & buttonKindMask) {
  case autoCheckBox:
    return DialogControlKind::autoCheckBox;
  case 0: // BS_PUSHBUTTON
    return DialogControlKind::pushButton;
  default:
    throw "a button kind the stand-in does not draw";
  }
}

// The data is shared with the Windows resource script, hence the macros.
constexpr std::array setupControls{
#define DIALOG_TEMPLATE(...)
#define DIALOG_CONTROL(id, caption, style, x, y, width, height, extendedStyle)                     \
  DialogControl{id, caption, controlKind(style), x, y, width, height, style, extendedStyle},
#define DIALOG_END
#include "resources/setup_dialog.inc"
#undef DIALOG_TEMPLATE
#undef DIALOG_CONTROL
#undef DIALOG_END
};

constexpr DialogTemplate setupTemplate{
#define DIALOG_TEMPLATE(id, caption, style, extendedStyle, x, y, width, height, fontName,          \
                        fontPoints, fontWeight, fontItalic, fontCharset)                           \
  id, caption, style, extendedStyle, x, y, width, height,                                          \
      DialogFont{fontName, fontPoints, fontWeight, (fontItalic) != 0, fontCharset},
#define DIALOG_CONTROL(...)
#define DIALOG_END
#include "resources/setup_dialog.inc"
#undef DIALOG_TEMPLATE
#undef DIALOG_CONTROL
#undef DIALOG_END
    setupControls,
};

// The numbers in the data, spelled out in the flags they stand for.
static_assert(setupTemplate.style ==
              (popup | caption | center | modalFrame | setFont | look3d | absAlign));
static_assert(setupControls[1].style == (child | visible | tabStop | buttonTop | autoCheckBox));
static_assert(setupControls[0].style == (child | visible));

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
