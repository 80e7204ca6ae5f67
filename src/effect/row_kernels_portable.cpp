#include <cstddef>

#include "effect/band_layout.h"
#include "effect/noise_sample.h"
#include "effect/row_kernels.h"
#include "effect/row_kernels_x86.h"

namespace {

std::int32_t channelSample(const NoiseFrame& frame, std::uint32_t sample, int channel) {
  const std::uint32_t count = frame.firstCount + sample;
  const std::int32_t remainder = noiseRemainder(count, count + frame.timeOffset);
  // The sign is a coin toss once the products wrap, so no branch: a negative
  // remainder reads entry 0 and masks it away.
  const auto keep = ~static_cast<std::uint32_t>(remainder >> 31);
  const std::size_t index = static_cast<std::uint32_t>(remainder) & keep;
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(frame.channelSamples[channel][index]) & keep);
}

void drawNoiseRowPortable(const NoiseFrame& frame, std::uint32_t firstSample, std::uint32_t* row,
                          const std::uint32_t* /*upcoming*/) {
  std::uint32_t sample = firstSample;
  for (int x = frameWidth - 1; x >= 0; --x, sample += samplesPerPixel) {
    const NoiseColour colour = noisePixelColour(frame, sample);
    row[x] =
        packPixel(static_cast<std::uint32_t>(colour.red), static_cast<std::uint32_t>(colour.green),
                  static_cast<std::uint32_t>(colour.blue));
  }
}

void drawImageRowPortable(const NoiseColour& tint, const std::uint32_t* values,
                          std::uint32_t* row) {
  for (int x = 0; x < frameWidth; ++x) {
    row[x] = tintPixel(tint.red, tint.green, tint.blue, values[x]);
  }
}

} // namespace

NoiseColour noisePixelColour(const NoiseFrame& frame, std::uint32_t firstSample) {
  return NoiseColour{channelSample(frame, firstSample, 0), channelSample(frame, firstSample + 1, 1),
                     channelSample(frame, firstSample + 2, 2)};
}

RowKernels portableRowKernels() {
  return RowKernels{drawNoiseRowPortable, drawImageRowPortable};
}

std::optional<RowKernels> avx512RowKernelsIfSupported() {
#if VSF_HAVE_X86_KERNELS
  // May run from a static initialiser, before the runtime's own detection.
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq")) {
    return avx512RowKernels();
  }
#endif
  return std::nullopt;
}

std::optional<RowKernels> avx2RowKernelsIfSupported() {
#if VSF_HAVE_X86_KERNELS
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) {
    return avx2RowKernels();
  }
#endif
  return std::nullopt;
}

RowKernels bestRowKernels() {
  if (const auto kernels = avx512RowKernelsIfSupported()) {
    return *kernels;
  }
  if (const auto kernels = avx2RowKernelsIfSupported()) {
    return *kernels;
  }
  return portableRowKernels();
}
