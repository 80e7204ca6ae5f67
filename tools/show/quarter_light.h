#pragma once
// The light of a frame as the flash thresholds weigh it: the mean relative
// luminance and the saturated red of overlapping windows a quarter of the
// frame each (320 x 240, on a 160 x 120 grid, 3 x 3 of them).

#include <array>
#include <cstdint>

inline constexpr int quarterWindowsAcross = 3;
inline constexpr int quarterWindowCount = quarterWindowsAcross * quarterWindowsAcross;

struct QuarterLight {
  double luminance = 0.0; // 0..1: 0.2126 R + 0.7152 G + 0.0722 B of linear sRGB, the window's mean
  double redness = 0.0; // (R - G - B) x 320 of the window's mean when it is a saturated red, else 0
};
using FrameQuarters = std::array<QuarterLight, quarterWindowCount>;

// pixels: 640 x 480, 0x00RRGGBB; only the rows the show draws are read.
FrameQuarters measureQuarters(const std::uint32_t* pixels);

// The redness of a mean linear colour (each 0..1).
double rednessOf(double red, double green, double blue);
