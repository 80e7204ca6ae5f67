// The compiled-in dialog template 101 and the program icon.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "resources/dialog_template.h"
#include "resources/program_icon.h"

namespace {

TEST(DialogTemplate, SetupDialogFrame) {
  const DialogTemplate* dialog = findDialogTemplate(101);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->id, 101);
  EXPECT_EQ(std::string(dialog->caption), std::string(21, '_'));
  EXPECT_EQ(dialog->style, 0x80C008C5u);
  EXPECT_EQ(dialog->style & dialog_style::systemMenu, 0u) << "the caption has no close box";
  EXPECT_NE(dialog->style & dialog_style::center, 0u);
  EXPECT_EQ(dialog->extendedStyle, 0u);
  EXPECT_EQ(dialog->x, 0);
  EXPECT_EQ(dialog->y, 0);
  EXPECT_EQ(dialog->width, 122);
  EXPECT_EQ(dialog->height, 27);
  EXPECT_STREQ(dialog->font.name, "Small Fonts");
  EXPECT_EQ(dialog->font.pointSize, 7);
  EXPECT_EQ(dialog->font.weight, 0);
  EXPECT_FALSE(dialog->font.italic);
  EXPECT_EQ(dialog->font.charset, 1);
}

TEST(DialogTemplate, SetupDialogControlsInTemplateOrder) {
  struct Expected {
    int id;
    const char* caption;
    DialogControlKind kind;
    int x, y, width, height;
    std::uint32_t style, extendedStyle;
  };
  const Expected expected[] = {
      {1, "OK", DialogControlKind::pushButton, 0, 11, 122, 16, 0x50000000, 0x00020000},
      {1000, "sound", DialogControlKind::autoCheckBox, 85, 0, 35, 11, 0x50010403, 0x00001000},
      {1001, "fullscreen", DialogControlKind::autoCheckBox, 0, 0, 46, 11, 0x50010403, 0x00001000},
      {1002, "loop", DialogControlKind::autoCheckBox, 54, 0, 28, 11, 0x50010403, 0x00001000},
  };
  const DialogTemplate* dialog = findDialogTemplate(101);
  ASSERT_NE(dialog, nullptr);
  ASSERT_EQ(dialog->controls.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const DialogControl& control = dialog->controls[i];
    const Expected& want = expected[i];
    SCOPED_TRACE(want.caption);
    EXPECT_EQ(control.id, want.id);
    EXPECT_STREQ(control.caption, want.caption);
    EXPECT_EQ(control.kind, want.kind);
    EXPECT_EQ(control.x, want.x);
    EXPECT_EQ(control.y, want.y);
    EXPECT_EQ(control.width, want.width);
    EXPECT_EQ(control.height, want.height);
    EXPECT_EQ(control.style, want.style);
    EXPECT_EQ(control.extendedStyle, want.extendedStyle);
    // The kind the stand-in builds agrees with the style's button type.
    const bool autoCheck =
        (control.style & dialog_style::buttonKindMask) == dialog_style::autoCheckBox;
    EXPECT_EQ(autoCheck, control.kind == DialogControlKind::autoCheckBox);
  }
}

TEST(DialogTemplate, OnlyKnownIdsAreFound) {
  for (const int id : {0, -101, 100, 102, 1000, 65535}) {
    EXPECT_EQ(findDialogTemplate(id), nullptr) << id;
  }
}

TEST(ProgramIcon, SquareOpaqueAndNotBlank) {
  ASSERT_EQ(programIconSize(), 32);
  const std::uint32_t* pixels = programIconPixels();
  ASSERT_NE(pixels, nullptr);
  std::set<std::uint32_t> colours;
  for (int i = 0; i < programIconSize() * programIconSize(); ++i) {
    EXPECT_EQ(pixels[i] >> 24, 0xFFu) << "pixel " << i;
    colours.insert(pixels[i]);
  }
  EXPECT_GT(colours.size(), 16u);
}

} // namespace
