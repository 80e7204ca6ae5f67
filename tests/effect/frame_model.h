#pragma once
// An independent, deliberately slow model of single pixels of a frame, in
// 64-bit arithmetic, for checking chosen pixels of a composed frame.

#include <cmath>
#include <cstdint>

#include "test_effect.h"

struct FrameStart {
  std::uint32_t frameCount = 0;
  std::uint32_t timeCount = 0;
  float factors[3] = {0.0f, 0.0f, 0.0f};
};

// Sample `k` of the frame (0 for the first red sample of pixel (639, 378)).
inline std::int64_t modelSample(const FrameStart& start, std::uint64_t k, int channel) {
  const std::uint64_t wordCount = 1ull << 32;
  const std::uint64_t frameCount = (start.frameCount + k) % wordCount;
  const std::uint64_t timeCount = (start.timeCount + k) % wordCount;
  const std::uint64_t low = (frameCount * timeCount) % wordCount;
  const std::int64_t product =
      low >= (1ull << 31) ? static_cast<std::int64_t>(low) - static_cast<std::int64_t>(wordCount)
                          : static_cast<std::int64_t>(low);
  const std::int64_t remainder = product % 2000;
  if (remainder < 0) {
    return 0;
  }
  const double value =
      static_cast<double>(testEffect().noiseTable[static_cast<std::size_t>(remainder)]) *
      static_cast<double>(start.factors[channel]);
  if (!std::isfinite(value)) {
    return 0;
  }
  long double word = std::fmod(std::trunc(static_cast<long double>(value)), 4294967296.0L);
  if (word >= 2147483648.0L) {
    word -= 4294967296.0L;
  } else if (word < -2147483648.0L) {
    word += 4294967296.0L;
  }
  return static_cast<std::int64_t>(word);
}

// Index of the first sample of pixel (x, y) on noise row y.
inline std::uint64_t modelPixelSample(int x, int y) {
  const auto bandRow = static_cast<std::uint64_t>((378 - y) / 2);
  return bandRow * 1920 + static_cast<std::uint64_t>(639 - x) * 3;
}

// Packs channels of any value, dropping bits shifted past bit 31.
inline std::uint32_t modelPack(std::int64_t red, std::int64_t green, std::int64_t blue) {
  // Channels overlap when they spill, so they are ORed, not added.
  const std::uint64_t packed = (static_cast<std::uint64_t>(red) << 16) |
                               (static_cast<std::uint64_t>(green) << 8) |
                               static_cast<std::uint64_t>(blue);
  return static_cast<std::uint32_t>(packed & 0xFFFFFFFFu);
}

inline std::uint32_t modelNoisePixel(const FrameStart& start, int x, int y) {
  const std::uint64_t k = modelPixelSample(x, y);
  return modelPack(modelSample(start, k, 0), modelSample(start, k + 1, 1),
                   modelSample(start, k + 2, 2));
}
