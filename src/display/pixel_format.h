#pragma once
// The show's one pixel format: 32-bit, blue in bits 0-7, green 8-15, red
// 16-23; the top byte carries nothing for the display. Every console and
// surface takes this format and no other.

#include <cstdint>

#include "display/ptc.h"

constexpr int pixelBits = 32;
constexpr std::uint32_t redMask = 0x00FF0000;
constexpr std::uint32_t greenMask = 0x0000FF00;
constexpr std::uint32_t blueMask = 0x000000FF;
constexpr std::uint32_t alphaMask = 0;

namespace ptc {

// Throws DynamicError unless `format` is the show's.
void requireShowFormat(const Format& format);

} // namespace ptc
