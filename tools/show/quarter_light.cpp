#include "show/quarter_light.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "effect/band_layout.h"

namespace {

// Rec. 709 weights of linear red, green and blue.
constexpr double redWeight = 0.2126;
constexpr double greenWeight = 0.7152;
constexpr double blueWeight = 0.0722;

// A window is 2 x 2 cells of 160 x 120; each pixel is summed into one cell.
constexpr int cellsAcross = quarterWindowsAcross + 1;
constexpr int cellWidth = frameWidth / cellsAcross;
constexpr int cellHeight = frameHeight / cellsAcross;
constexpr double windowPixels = 4.0 * cellWidth * cellHeight;

// The rows the show writes: rule lines, noise rows and picture rows. The
// others are never written and stay black, so they add nothing but time.
constexpr int ruleSpan = 2 * (ruleLineCount - 1);
constexpr bool isDrawnRow(int y) {
  if (y % 2 == 0)
    return y >= topNoiseRow && y <= bottomNoiseRow;
  return (y >= upperRuleRow - ruleSpan && y <= upperRuleRow) ||
         (y >= lowerRuleRow - ruleSpan && y <= lowerRuleRow) ||
         (y >= firstImageScreenRow && y <= bottomTintedNoiseRow + 1);
}

// Linear light of an sRGB byte in units of 2^-24: integer sums stay exact and
// cheap; a cell of 19,200 full pixels sums to under 2^39.
constexpr double linearUnit = 16777216.0;
using LinearTable = std::array<std::uint32_t, 256>;

LinearTable makeLinearTable() {
  LinearTable table{};
  for (std::size_t v = 0; v < table.size(); ++v) {
    const double c = static_cast<double>(v) / 255.0;
    const double linear = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    table[v] = static_cast<std::uint32_t>(std::lround(linear * linearUnit));
  }
  return table;
}
const LinearTable linearOf = makeLinearTable();

struct CellSums {
  std::uint64_t red = 0, green = 0, blue = 0;
};

} // namespace

double rednessOf(double red, double green, double blue) {
  // Trace Center / PEAT: a saturated red has R / (R + G + B) >= 0.8; its
  // strength is (R - G - B) x 320, a red flash a pair of opposing changes of
  // 20 or more in it.
  constexpr double saturatedShare = 0.8;
  constexpr double scale = 320.0;
  const double sum = red + green + blue;
  if (sum <= 0.0 || red < saturatedShare * sum)
    return 0.0;
  return std::max(0.0, (red - green - blue) * scale);
}

FrameQuarters measureQuarters(const std::uint32_t* pixels) {
  std::array<CellSums, static_cast<std::size_t>(cellsAcross * cellsAcross)> cells{};
  for (int y = 0; y < frameHeight; ++y) {
    if (!isDrawnRow(y))
      continue;
    const std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * frameWidth;
    CellSums* cellRow = cells.data() + static_cast<std::ptrdiff_t>(y / cellHeight) * cellsAcross;
    for (int c = 0; c < cellsAcross; ++c) {
      // Sums in registers: a row of a cell stays below 2^32 units.
      std::uint32_t red = 0, green = 0, blue = 0;
      const std::uint32_t* start = row + static_cast<std::ptrdiff_t>(c) * cellWidth;
      for (const std::uint32_t* p = start; p != start + cellWidth; ++p) {
        red += linearOf[(*p >> 16) & 0xFFu];
        green += linearOf[(*p >> 8) & 0xFFu];
        blue += linearOf[*p & 0xFFu];
      }
      cellRow[c].red += red;
      cellRow[c].green += green;
      cellRow[c].blue += blue;
    }
  }
  FrameQuarters quarters;
  constexpr auto across = static_cast<std::size_t>(quarterWindowsAcross);
  for (std::size_t wy = 0; wy < across; ++wy)
    for (std::size_t wx = 0; wx < across; ++wx) {
      CellSums sum;
      for (std::size_t cy = wy; cy <= wy + 1; ++cy)
        for (std::size_t cx = wx; cx <= wx + 1; ++cx) {
          const CellSums& cell = cells[cy * (across + 1) + cx];
          sum.red += cell.red;
          sum.green += cell.green;
          sum.blue += cell.blue;
        }
      const double scale = 1.0 / (linearUnit * windowPixels);
      const double red = static_cast<double>(sum.red) * scale;
      const double green = static_cast<double>(sum.green) * scale;
      const double blue = static_cast<double>(sum.blue) * scale;
      quarters[wy * across + wx] = QuarterLight{
          redWeight * red + greenWeight * green + blueWeight * blue, rednessOf(red, green, blue)};
    }
  return quarters;
}
