#pragma once
// The inner loops of the fast composition, one noise or picture row at a
// time. Rows are independent: the k-th sample of a frame has the counters
// (start + k, start + k + offset), so any row can be drawn on its own.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "effect/band_layout.h"
#include "effect/noise_sample.h"
#include "effect/noise_table.h"

// The channel tables hold one entry per remainder 0..1999 and one more, 0,
// that every negative remainder reads: no branch on the sign.
constexpr std::uint32_t silentIndex = noiseTableSize;
constexpr std::size_t channelTableSize = noiseTableSize + 1;

struct NoiseFrame {
  std::uint32_t firstCount = 0; // frameCursor at the frame's first sample
  std::uint32_t timeOffset = 0; // timeCursor - frameCursor, fixed for the frame
  // Per channel (red, green, blue), the finished sample for each table index;
  // and the same shifted into its place in a pixel (red 16, green 8, blue 0).
  const std::int32_t* channelSamples[3] = {nullptr, nullptr, nullptr};
  const std::uint32_t* channelBits[3] = {nullptr, nullptr, nullptr};
};

// The table index for the low 32 bits of a product of the counters: its
// remainder truncated toward zero, or silentIndex when that is negative
// (the negative ones are the largest unsigned values).
constexpr std::uint32_t sampleIndex(std::uint32_t product) {
  const std::int32_t remainder = static_cast<std::int32_t>(product) % noiseModulus;
  return std::min(static_cast<std::uint32_t>(remainder), silentIndex);
}

// Draws a noise row from the table indices of its 1920 samples, in sample
// order (pixel x = 639 first). Scalar loads: on x86 they beat gathers.
inline void drawNoiseRowFromIndices(const NoiseFrame& frame, const std::uint32_t* indices,
                                    std::uint32_t* row) {
  const std::uint32_t* red = frame.channelBits[0];
  const std::uint32_t* green = frame.channelBits[1];
  const std::uint32_t* blue = frame.channelBits[2];
  // Unrolled: the loop's own bookkeeping would cost as much as a look-up.
#pragma GCC unroll 8
  for (int k = 0; k < frameWidth; ++k) {
    const std::uint32_t* pixel = indices + samplesPerPixel * k;
    row[frameWidth - 1 - k] = red[pixel[0]] | green[pixel[1]] | blue[pixel[2]];
  }
}

struct NoiseColour {
  std::int32_t red = 0;
  std::int32_t green = 0;
  std::int32_t blue = 0;
};

// Draws the 640 pixels of a noise row whose pixel x = 639 starts at sample
// `firstSample` of the frame. On the way it brings the 640 values at
// `upcoming` into the cache, one line per step, for the row drawn next.
using NoiseRowKernel = void (*)(const NoiseFrame& frame, std::uint32_t firstSample,
                                std::uint32_t* row, const std::uint32_t* upcoming);
// Draws a picture row from 640 values tinted with `tint`.
using ImageRowKernel = void (*)(const NoiseColour& tint, const std::uint32_t* values,
                                std::uint32_t* row);

struct RowKernels {
  NoiseRowKernel noiseRow;
  ImageRowKernel imageRow;
};

// Plain C++, for any machine.
RowKernels portableRowKernels();
// The widest kernels this processor runs, picked at run time.
RowKernels bestRowKernels();
// The kernels for one instruction set, if this processor runs them.
std::optional<RowKernels> avx512RowKernelsIfSupported();
std::optional<RowKernels> avx2RowKernelsIfSupported();

// The colour of one noise pixel, the three samples from `firstSample` on.
NoiseColour noisePixelColour(const NoiseFrame& frame, std::uint32_t firstSample);
