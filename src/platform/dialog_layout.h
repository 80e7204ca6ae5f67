#pragma once
// Dialog units to pixels, the way Windows lays out a dialog template: a
// horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its character height.

#include <vector>

struct DialogTemplate;

struct DialogBaseUnits {
  int horizontal; // average character width, pixels
  int vertical;   // character height, pixels
};

struct PixelRect {
  int x, y, width, height;
  bool operator==(const PixelRect&) const = default;
};

struct DialogLayout {
  int width, height;               // client area
  std::vector<PixelRect> controls; // in template order
};

// The font's pixel size for a template font of this many points. Below
// minimumDialogFontPixels text turns hard to read, so smaller fonts are raised
// to it; the whole dialog grows with the font.
constexpr int minimumDialogFontPixels = 11;
int dialogFontPixelSize(int pointSize);

// What a back end measures for baseUnitsFromFontMetrics, drawn in one run.
constexpr const char* baseUnitsAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// Base units from the width of baseUnitsAlphabet and the font's line
// height, rounded as Windows rounds them.
DialogBaseUnits baseUnitsFromFontMetrics(double alphabetWidth, int lineHeight);

int horizontalPixels(int dialogUnits, DialogBaseUnits base);
int verticalPixels(int dialogUnits, DialogBaseUnits base);

DialogLayout layoutDialog(const DialogTemplate& dialog, DialogBaseUnits base);

// Start of a span of `length` centred in the span starting at `areaStart`;
// a window larger than the area starts at the area's start.
int centredStart(int areaStart, int areaLength, int length);
