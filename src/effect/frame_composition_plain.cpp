// The straight-loop composition: one sample at a time, in drawing order,
// through the state's counters. Kept as the reference for the fast one.
#include <cstddef>

#include "effect/band_layout.h"
#include "effect/effect_state.h"
#include "effect/frame_composition.h"
#include "effect/noise_sample.h"

namespace {

std::int32_t nextNoiseSample(EffectState& state, float factor) {
  const std::int32_t remainder = noiseRemainder(static_cast<std::uint32_t>(state.frameCursor),
                                                static_cast<std::uint32_t>(state.timeCursor));
  std::int32_t sample = 0;
  if (remainder >= 0) {
    sample = noiseSampleValue(state.noiseTable[static_cast<std::size_t>(remainder)], factor);
  }
  state.frameCursor = static_cast<std::int32_t>(static_cast<std::uint32_t>(state.frameCursor) + 1u);
  state.timeCursor = static_cast<std::int32_t>(static_cast<std::uint32_t>(state.timeCursor) + 1u);
  return sample;
}

std::uint32_t* rowAddress(std::uint32_t* pixels, int y) {
  return pixels + static_cast<std::ptrdiff_t>(y) * frameWidth;
}

void drawNoiseRow(EffectState& state, std::uint32_t* pixels, int y) {
  std::uint32_t* row = rowAddress(pixels, y);
  const ColourFactors& factors = state.colourFactors;
  for (int x = frameWidth - 1; x >= 0; --x) {
    const std::int32_t red = nextNoiseSample(state, factors.redFactor);
    const std::int32_t green = nextNoiseSample(state, factors.greenFactor);
    const std::int32_t blue = nextNoiseSample(state, factors.blueFactor);
    row[x] = packPixel(static_cast<std::uint32_t>(red), static_cast<std::uint32_t>(green),
                       static_cast<std::uint32_t>(blue));
    state.lastRed = red;
    state.lastGreen = green;
    state.lastBlue = blue;
  }
}

void drawImageRow(const EffectState& state, std::uint32_t* pixels, int y, const Image& image) {
  std::uint32_t* row = rowAddress(pixels, y);
  const std::uint32_t* values =
      image.data() + static_cast<std::ptrdiff_t>(y - firstImageScreenRow) * imageWidth;
  for (int x = frameWidth - 1; x >= 0; --x) {
    row[x] = tintPixel(state.lastRed, state.lastGreen, state.lastBlue, values[x]);
  }
}

void drawRuleLines(const EffectState& state, std::uint32_t* pixels, std::uint32_t imageIndex) {
  for (int k = 0; k < ruleLineCount; ++k) {
    std::uint32_t* lower = rowAddress(pixels, lowerRuleRow - 2 * k);
    std::uint32_t* upper = rowAddress(pixels, upperRuleRow - 2 * k);
    for (int x = frameWidth - 1; x >= 0; --x) {
      const std::uint32_t t = (static_cast<std::uint32_t>(x) & 16u) + imageIndex;
      lower[x] = ruleGrey(state.noiseTable[t & 16u]);
      upper[x] = ruleGrey(state.noiseTable[t & 17u]);
    }
  }
}

} // namespace

void composeFramePlain(EffectState& state, std::uint32_t* pixels) {
  const auto imageIndex = static_cast<std::uint32_t>(nextRandom(state.randomState) % imageCount);
  const Image& image = state.imageBank[imageIndex];
  drawRuleLines(state, pixels, imageIndex);
  for (int y = bottomNoiseRow; y > bottomTintedNoiseRow; y -= 2) {
    drawNoiseRow(state, pixels, y);
  }
  for (int y = bottomTintedNoiseRow; y >= topTintedNoiseRow; y -= 2) {
    drawNoiseRow(state, pixels, y);
    drawImageRow(state, pixels, y + 1, image);
  }
  for (int y = topTintedNoiseRow - 2; y >= topNoiseRow; y -= 2) {
    drawNoiseRow(state, pixels, y);
  }
}
