#pragma once
// Writes PCX files the way the show's pictures are stored: version 5,
// run-length coded, 8 bits per plane, each scan line coded on its own.

#include <cstdint>
#include <vector>

struct PcxLayout {
  int width;
  int height;
  int planes;       // 1: palette indices, 3: 24-bit colour
  bool greyPalette; // trailing 0x0C marker and a 256-entry grey ramp
};

// planeData holds, for each row, `planes` consecutive lines of width bytes.
std::vector<std::uint8_t> encodePcx(const PcxLayout& layout,
                                    const std::vector<std::uint8_t>& planeData);
