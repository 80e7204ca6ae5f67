// Dialog units to pixels: Windows' rounding of the base units and of each
// conversion, and template 101 laid out from them.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "platform/dialog_layout.h"
#include "resources/dialog_template.h"

// Found by argument lookup, so it lives beside PixelRect.
void PrintTo(const PixelRect& r, std::ostream* out);
void PrintTo(const PixelRect& r, std::ostream* out) {
  *out << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}

namespace {

const DialogTemplate& setupTemplate() {
  const DialogTemplate* dialog = findDialogTemplate(101);
  EXPECT_NE(dialog, nullptr);
  return *dialog;
}

TEST(DialogLayout, BaseUnitsRoundTheAlphabetAverageAsWindowsDoes) {
  // 8-point MS Sans Serif: 52 letters in 312 pixels, 13 high, gives the
  // classic 6 x 13 base units.
  const DialogBaseUnits classic = baseUnitsFromFontMetrics(312.0, 13);
  EXPECT_EQ(classic.horizontal, 6);
  EXPECT_EQ(classic.vertical, 13);
  // An average of 6.5 pixels rounds up, just below it rounds down.
  EXPECT_EQ(baseUnitsFromFontMetrics(338.0, 13).horizontal, 7);
  EXPECT_EQ(baseUnitsFromFontMetrics(337.4, 13).horizontal, 6);
  EXPECT_EQ(baseUnitsFromFontMetrics(359.0, 14).horizontal, 7);
}

TEST(DialogLayout, MissingMetricsGiveOnePixelUnits) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const double width : {0.0, -40.0, nan, inf, -inf, 1.0e300}) {
    const DialogBaseUnits base = baseUnitsFromFontMetrics(width, 0);
    EXPECT_EQ(base.horizontal, 1) << width;
    EXPECT_EQ(base.vertical, 1) << width;
  }
  EXPECT_EQ(baseUnitsFromFontMetrics(312.0, -5).vertical, 1);
}

TEST(DialogLayout, UnitsRoundHalfAwayFromZero) {
  const DialogBaseUnits base{6, 13};
  EXPECT_EQ(horizontalPixels(122, base), 183);
  EXPECT_EQ(horizontalPixels(1, base), 2);   // 1.5
  EXPECT_EQ(horizontalPixels(-1, base), -2); // -1.5
  EXPECT_EQ(horizontalPixels(0, base), 0);
  EXPECT_EQ(verticalPixels(27, base), 44); // 43.875
  EXPECT_EQ(verticalPixels(4, base), 7);   // 6.5
  EXPECT_EQ(verticalPixels(3, base), 5);   // 4.875
  EXPECT_EQ(verticalPixels(-4, base), -7);
}

TEST(DialogLayout, HugeValuesSaturateInsteadOfOverflowing) {
  const DialogBaseUnits base{9, 17};
  EXPECT_EQ(horizontalPixels(INT_MAX, base), INT_MAX);
  EXPECT_EQ(verticalPixels(INT_MIN, base), INT_MIN);
}

TEST(DialogLayout, SetupTemplateInClassicUnits) {
  const DialogLayout layout = layoutDialog(setupTemplate(), DialogBaseUnits{6, 13});
  EXPECT_EQ(layout.width, 183);
  EXPECT_EQ(layout.height, 44);
  ASSERT_EQ(layout.controls.size(), 4u);
  EXPECT_EQ(layout.controls[0], (PixelRect{0, 18, 183, 26})); // OK
  EXPECT_EQ(layout.controls[1], (PixelRect{128, 0, 53, 18})); // sound
  EXPECT_EQ(layout.controls[2], (PixelRect{0, 0, 69, 18}));   // fullscreen
  EXPECT_EQ(layout.controls[3], (PixelRect{81, 0, 42, 18}));  // loop
}

// Whatever font the platform ends up with, the boxes stay in one row,
// fullscreen - loop - sound, apart and inside the dialog, above OK.
TEST(DialogLayout, SetupTemplateKeepsItsShapeForEveryFont) {
  for (int horizontal = 3; horizontal <= 16; ++horizontal) {
    for (int vertical = 6; vertical <= 32; ++vertical) {
      SCOPED_TRACE(testing::Message() << horizontal << " x " << vertical);
      const DialogLayout layout = layoutDialog(setupTemplate(), {horizontal, vertical});
      ASSERT_EQ(layout.controls.size(), 4u);
      const PixelRect& ok = layout.controls[0];
      const PixelRect& sound = layout.controls[1];
      const PixelRect& fullscreen = layout.controls[2];
      const PixelRect& loop = layout.controls[3];
      EXPECT_LT(fullscreen.x + fullscreen.width, loop.x);
      EXPECT_LT(loop.x + loop.width, sound.x);
      EXPECT_LE(sound.x + sound.width, layout.width);
      EXPECT_LE(fullscreen.y + fullscreen.height, ok.y);
      EXPECT_EQ(ok.width, layout.width);
      EXPECT_EQ(ok.y + ok.height, layout.height);
    }
  }
}

TEST(DialogLayout, SmallTemplateFontsAreRaisedToAReadableSize) {
  EXPECT_EQ(dialogFontPixelSize(7), minimumDialogFontPixels); // 9.33 px on Windows
  EXPECT_EQ(dialogFontPixelSize(8), minimumDialogFontPixels);
  EXPECT_EQ(dialogFontPixelSize(9), 12);
  EXPECT_EQ(dialogFontPixelSize(12), 16);
  EXPECT_EQ(dialogFontPixelSize(0), minimumDialogFontPixels);
  EXPECT_EQ(dialogFontPixelSize(-10), minimumDialogFontPixels);
}

TEST(DialogLayout, CentringOnTheScreen) {
  EXPECT_EQ(centredStart(0, 1024, 214), 405);
  EXPECT_EQ(centredStart(0, 768, 47), 360);
  EXPECT_EQ(centredStart(100, 800, 200), 400); // a work area that does not start at 0
  EXPECT_EQ(centredStart(20, 300, 300), 20);
  EXPECT_EQ(centredStart(20, 300, 900), 20); // never pushed off the top or left
}

} // namespace
