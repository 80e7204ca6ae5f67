#pragma once
// The inner loops of the fast composition, one noise or picture row at a
// time. Rows are independent: the k-th sample of a frame has the counters
// (start + k, start + k + offset), so any row can be drawn on its own.

#include <cstdint>
#include <optional>

#include "effect/noise_table.h"

struct NoiseFrame {
  std::uint32_t firstCount = 0; // frameCursor at the frame's first sample
  std::uint32_t timeOffset = 0; // timeCursor - frameCursor, fixed for the frame
  // Per channel (red, green, blue), the finished sample for each table index.
  const std::int32_t* channelSamples[3] = {nullptr, nullptr, nullptr};
};

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
