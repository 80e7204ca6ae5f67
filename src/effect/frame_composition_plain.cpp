// The straight-loop composition: one sample at a time, in drawing order,
// through the process-wide counters. Kept as the reference for the fast one.
#include <cstddef>

#include "effect/band_layout.h"
#include "effect/colour_factors.h"
#include "effect/frame_composition.h"
#include "effect/noise_sample.h"
#include "effect/noise_table.h"
#include "effect/random.h"
#include "images/image_bank.h"

namespace {

std::int32_t nextNoiseSample(float factor) {
  const std::int32_t remainder = noiseRemainder(static_cast<std::uint32_t>(frameCursor),
                                                static_cast<std::uint32_t>(timeCursor));
  std::int32_t sample = 0;
  if (remainder >= 0) {
    sample = noiseSampleValue(noiseTable[static_cast<std::size_t>(remainder)], factor);
  }
  frameCursor = static_cast<std::int32_t>(static_cast<std::uint32_t>(frameCursor) + 1u);
  timeCursor = static_cast<std::int32_t>(static_cast<std::uint32_t>(timeCursor) + 1u);
  return sample;
}

std::uint32_t* rowAddress(std::uint32_t* pixels, int y) {
  return pixels + static_cast<std::ptrdiff_t>(y) * frameWidth;
}

void drawNoiseRow(std::uint32_t* pixels, int y) {
  std::uint32_t* row = rowAddress(pixels, y);
  for (int x = frameWidth - 1; x >= 0; --x) {
    const std::int32_t red = nextNoiseSample(colourFactors.redFactor);
    const std::int32_t green = nextNoiseSample(colourFactors.greenFactor);
    const std::int32_t blue = nextNoiseSample(colourFactors.blueFactor);
    row[x] = packPixel(static_cast<std::uint32_t>(red), static_cast<std::uint32_t>(green),
                       static_cast<std::uint32_t>(blue));
    lastRed = red;
    lastGreen = green;
    lastBlue = blue;
  }
}

void drawImageRow(std::uint32_t* pixels, int y, const Image& image) {
  std::uint32_t* row = rowAddress(pixels, y);
  const std::uint32_t* values =
      image.data() + static_cast<std::ptrdiff_t>(y - firstImageScreenRow) * imageWidth;
  for (int x = frameWidth - 1; x >= 0; --x) {
    row[x] = tintPixel(lastRed, lastGreen, lastBlue, values[x]);
  }
}

void drawRuleLines(std::uint32_t* pixels, std::uint32_t imageIndex) {
  for (int k = 0; k < ruleLineCount; ++k) {
    std::uint32_t* lower = rowAddress(pixels, lowerRuleRow - 2 * k);
    std::uint32_t* upper = rowAddress(pixels, upperRuleRow - 2 * k);
    for (int x = frameWidth - 1; x >= 0; --x) {
      const std::uint32_t t = (static_cast<std::uint32_t>(x) & 16u) + imageIndex;
      lower[x] = ruleGrey(noiseTable[t & 16u]);
      upper[x] = ruleGrey(noiseTable[t & 17u]);
    }
  }
}

} // namespace

void composeFramePlain(std::uint32_t* pixels) {
  const auto imageIndex = static_cast<std::uint32_t>(nextRandom() % imageCount);
  const Image& image = imageBank[imageIndex];
  drawRuleLines(pixels, imageIndex);
  for (int y = bottomNoiseRow; y > bottomTintedNoiseRow; y -= 2) {
    drawNoiseRow(pixels, y);
  }
  for (int y = bottomTintedNoiseRow; y >= topTintedNoiseRow; y -= 2) {
    drawNoiseRow(pixels, y);
    drawImageRow(pixels, y + 1, image);
  }
  for (int y = topTintedNoiseRow - 2; y >= topNoiseRow; y -= 2) {
    drawNoiseRow(pixels, y);
  }
}
