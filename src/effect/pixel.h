#pragma once
// The show's one pixel format: 32-bit, blue in bits 0-7, green 8-15, red
// 16-23; the top byte carries nothing for the display.

#include <cstdint>

#include "display/ptc.h"

constexpr int pixelBits = 32;
constexpr std::uint32_t redMask = 0x00FF0000;
constexpr std::uint32_t greenMask = 0x0000FF00;
constexpr std::uint32_t blueMask = 0x000000FF;
constexpr std::uint32_t alphaMask = 0;

// A frame fills the console.
constexpr int frameWidth = ptc::consoleWidth;
constexpr int frameHeight = ptc::consoleHeight;

// Unclamped on purpose: channel values outside 0..255 spill into the
// channels to their left and into the top byte.
constexpr std::uint32_t packPixel(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return (((red << 8) | green) << 8) | blue;
}
