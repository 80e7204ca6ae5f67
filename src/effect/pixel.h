#pragma once
// Pixels of the show's one format (the display's, see pixel_format.h).

#include <cstdint>

#include "display/pixel_format.h"

// A frame fills the console.
constexpr int frameWidth = ptc::consoleWidth;
constexpr int frameHeight = ptc::consoleHeight;

// Unclamped on purpose: channel values outside 0..255 spill into the
// channels to their left and into the top byte.
constexpr std::uint32_t packPixel(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return (((red << 8) | green) << 8) | blue;
}
