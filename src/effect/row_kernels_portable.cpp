#include <cstddef>

#include "effect/band_layout.h"
#include "effect/noise_sample.h"
#include "effect/row_kernels.h"
#include "effect/row_kernels_x86.h"

namespace {

std::int32_t channelSample(const NoiseFrame& frame, std::uint32_t sample, int channel) {
  const std::uint32_t count = frame.firstCount + sample;
  return frame.channelSamples[channel][sampleIndex(count * (count + frame.timeOffset))];
}

constexpr int walkLanes = 8;
// The samples over which the row drawn next advances by one cache line.
constexpr int prefetchSamples = 16 * samplesPerPixel;

// Two plain loops: the indices first, without branches or loads so that
// compilers vectorise it for whatever they target, then the look-ups. The
// products are walked by additions in eight lanes, as in the AVX2 kernel:
// the counters of lane j step by 8, so its product n (n + offset) grows by
// 16 n + 8 offset + 64, and that step by 128.
void drawNoiseRowPortable(const NoiseFrame& frame, std::uint32_t firstSample, std::uint32_t* row,
                          const std::uint32_t* upcoming) {
  std::uint32_t indices[samplesPerRow];
  const std::uint32_t firstCount = frame.firstCount + firstSample;
  const std::uint32_t timeOffset = frame.timeOffset;
  constexpr std::uint32_t lanes = walkLanes;
  std::uint32_t product[walkLanes];
  std::uint32_t step[walkLanes];
  for (std::uint32_t j = 0; j < lanes; ++j) {
    const std::uint32_t count = firstCount + j;
    product[j] = count * (count + timeOffset);
    step[j] = 2 * lanes * count + lanes * timeOffset + lanes * lanes;
  }
  for (int k = 0; k < samplesPerRow; k += walkLanes) {
    if (k % prefetchSamples == 0) {
      __builtin_prefetch(upcoming + k / samplesPerPixel); // a cache line of the next row
    }
    for (int j = 0; j < walkLanes; ++j) {
      indices[k + j] = sampleIndexBySignedQuotient(product[j]);
      product[j] += step[j];
      step[j] += 2 * lanes * lanes;
    }
  }
  drawNoiseRowFromIndices(frame, indices, row);
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
  return RowKernels{drawNoiseRowPortable, drawImageRowPortable, "portable"};
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

RowKernels widestRowKernels() {
  if (const auto kernels = avx512RowKernelsIfSupported()) {
    return *kernels;
  }
  if (const auto kernels = avx2RowKernelsIfSupported()) {
    return *kernels;
  }
  return portableRowKernels();
}
