#pragma once
// Where the bands of a frame lie and how the rule lines and picture rows are
// coloured. Rows not named here are never written.

#include <cstdint>

#include "effect/pixel.h"

constexpr int topNoiseRow = 102;
constexpr int bottomNoiseRow = 378;
constexpr int noiseRowCount = (bottomNoiseRow - topNoiseRow) / 2 + 1; // 139
// A noise row y in this range is followed by picture row y + 1.
constexpr int topTintedNoiseRow = 188;
constexpr int bottomTintedNoiseRow = 266;
constexpr int firstImageScreenRow = 189;
constexpr int ruleLineCount = 4;
constexpr int upperRuleRow = 107; // and the rows 2, 4, 6 above it
constexpr int lowerRuleRow = 379; // and the rows 2, 4, 6 above it
constexpr int samplesPerPixel = 3;
constexpr int samplesPerRow = frameWidth * samplesPerPixel;
constexpr std::uint32_t samplesPerFrame =
    static_cast<std::uint32_t>(noiseRowCount) * static_cast<std::uint32_t>(samplesPerRow);

constexpr bool rowHasImageBelow(int noiseRow) {
  return noiseRow >= topTintedNoiseRow && noiseRow <= bottomTintedNoiseRow;
}

// Grey level v (0..15) in all three channels, top byte clear.
constexpr std::uint32_t greyPixel(std::uint32_t level) {
  return packPixel(level, level, level);
}

// Rule-line grey for a noise-table entry.
constexpr std::uint32_t ruleGrey(std::int32_t tableValue) {
  return greyPixel(static_cast<std::uint32_t>(tableValue) >> 4);
}

// A picture value v tints with the last noise colour: a quarter of red and
// green and half of blue per step of v, as unsigned shifts of 32-bit products.
constexpr std::uint32_t tintPixel(std::int32_t red, std::int32_t green, std::int32_t blue,
                                  std::uint32_t value) {
  return packPixel((static_cast<std::uint32_t>(red) * value) >> 2,
                   (static_cast<std::uint32_t>(green) * value) >> 2,
                   (static_cast<std::uint32_t>(blue) * value) >> 1);
}
