#include "platform/dialog_layout.h"

#include "resources/dialog_template.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr int screenDpi = 96;
constexpr int pointsPerInch = 72;
constexpr int alphabetLetters = 52;

// Windows' MulDiv: a * b / c rounded half away from zero, in a wide type.
int mulDiv(int a, int b, int c) {
  const std::int64_t product = std::int64_t{a} * b;
  const std::int64_t half = c / 2;
  const std::int64_t rounded = product >= 0 ? (product + half) / c : (product - half) / c;
  return static_cast<int>(std::clamp<std::int64_t>(rounded, INT32_MIN, INT32_MAX));
}

} // namespace

int dialogFontPixelSize(int pointSize) {
  return std::max(mulDiv(pointSize, screenDpi, pointsPerInch), minimumDialogFontPixels);
}

DialogBaseUnits baseUnitsFromFontMetrics(double alphabetWidth, int lineHeight) {
  // Out-of-range or missing metrics fall back to one pixel rather than a
  // zero-sized dialog.
  int extent = 0;
  if (std::isfinite(alphabetWidth) && alphabetWidth > 0.0 && alphabetWidth < 1.0e6) {
    extent = static_cast<int>(std::lround(alphabetWidth));
  }
  const int averageWidth = (extent / (alphabetLetters / 2) + 1) / 2;
  return {std::max(averageWidth, 1), std::max(lineHeight, 1)};
}

int horizontalPixels(int dialogUnits, DialogBaseUnits base) {
  return mulDiv(dialogUnits, base.horizontal, 4);
}

int verticalPixels(int dialogUnits, DialogBaseUnits base) {
  return mulDiv(dialogUnits, base.vertical, 8);
}

DialogLayout layoutDialog(const DialogTemplate& dialog, DialogBaseUnits base) {
  DialogLayout layout{
      horizontalPixels(dialog.width, base), verticalPixels(dialog.height, base), {}};
  layout.controls.reserve(dialog.controls.size());
  for (const DialogControl& control : dialog.controls) {
    layout.controls.push_back({horizontalPixels(control.x, base), verticalPixels(control.y, base),
                               horizontalPixels(control.width, base),
                               verticalPixels(control.height, base)});
  }
  return layout;
}

int centredStart(int areaStart, int areaLength, int length) {
  if (length >= areaLength) {
    return areaStart;
  }
  return areaStart + (areaLength - length) / 2;
}
