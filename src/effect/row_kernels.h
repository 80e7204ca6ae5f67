#pragma once
// The inner loops of the fast composition, one noise or picture row at a
// time. Rows are independent: the k-th sample of a frame has the counters
// (start + k, start + k + offset), so any row can be drawn on its own.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// 1/2000 rounded down by four steps of single precision: for every product
// the truncated quotient in single precision is then the truncated true
// quotient or one nearer zero (checked over all 2^32), so the remainder's
// magnitude needs one correction, the same in every lane and every kernel.
constexpr float quotientScale = 0x1.0624d6p-11f;

// sampleIndex without a division, in operations every vector unit has.
constexpr std::uint32_t sampleIndexByQuotient(std::uint32_t product) {
  const auto signedProduct = static_cast<std::int32_t>(product);
  const auto quotient =
      static_cast<std::int32_t>(static_cast<float>(signedProduct) * quotientScale);
  const std::uint32_t remainder =
      product - static_cast<std::uint32_t>(quotient) * static_cast<std::uint32_t>(noiseModulus);
  const std::uint32_t magnitude =
      static_cast<std::int32_t>(remainder) < 0 ? 0u - remainder : remainder;
  const std::uint32_t reduced =
      std::min(magnitude, magnitude - static_cast<std::uint32_t>(noiseModulus));
  // A negative product's remainder is 0 or negative, a large unsigned value.
  const std::uint32_t truncated = signedProduct < 0 ? 0u - reduced : reduced;
  return std::min(truncated, silentIndex);
}

// The same in signed shifts, masks and additions only, which every vector
// unit has (SSE2 lacks unsigned minimum, absolute value and sign): the
// remainder is brought toward zero from whichever side it overshot.
constexpr std::uint32_t sampleIndexBySignedQuotient(std::uint32_t product) {
  const auto signedProduct = static_cast<std::int32_t>(product);
  const auto quotient =
      static_cast<std::int32_t>(static_cast<float>(signedProduct) * quotientScale);
  auto remainder = static_cast<std::int32_t>(
      product - static_cast<std::uint32_t>(quotient) * static_cast<std::uint32_t>(noiseModulus));
  // All ones where the remainder overshot above: it lies in -3999..3999.
  remainder -= ((noiseModulus - 1 - remainder) >> 31) & noiseModulus;
  // A negative product's remainder stays in -3999..0, and is a whole
  // multiple of 2000 only at 0 and -2000.
  const std::int32_t negative = remainder >> 31;
  const std::int32_t index =
      (remainder & ~negative) | (negative & static_cast<std::int32_t>(silentIndex));
  return static_cast<std::uint32_t>(remainder == -noiseModulus ? 0 : index);
}

// Draws a noise row from the table indices of its 1920 samples, in sample
// order (pixel x = 639 first). Scalar loads: on x86 they beat gathers. A
// pixel's red and green indices come in one 64-bit load, which halves the
// loads of indices where the low word comes first in memory.
inline void drawNoiseRowFromIndices(const NoiseFrame& frame, const std::uint32_t* indices,
                                    std::uint32_t* row) {
  const std::uint32_t* red = frame.channelBits[0];
  const std::uint32_t* green = frame.channelBits[1];
  const std::uint32_t* blue = frame.channelBits[2];
  // Unrolled: the loop's own bookkeeping would cost as much as a look-up.
#pragma GCC unroll 8
  for (int k = 0; k < frameWidth; ++k) {
    const std::uint32_t* pixel = indices + std::ptrdiff_t{samplesPerPixel} * k;
    std::uint32_t redIndex = pixel[0];
    std::uint32_t greenIndex = pixel[1];
    if constexpr (std::endian::native == std::endian::little) {
      std::uint64_t redGreen = 0;
      std::memcpy(&redGreen, pixel, sizeof redGreen);
      redIndex = static_cast<std::uint32_t>(redGreen);
      greenIndex = static_cast<std::uint32_t>(redGreen >> 32);
    }
    row[frameWidth - 1 - k] = red[redIndex] | green[greenIndex] | blue[pixel[2]];
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
  const char* name; // for reports: "AVX-512", "AVX2", "portable"

  bool operator==(const RowKernels&) const = default;
};

// Plain C++, for any machine.
RowKernels portableRowKernels();
// The widest kernels this processor runs: what is drawn with when the
// kernels cannot be timed.
RowKernels widestRowKernels();
// The kernels for one instruction set, if this processor runs them.
std::optional<RowKernels> avx512RowKernelsIfSupported();
std::optional<RowKernels> avx2RowKernelsIfSupported();

// The colour of one noise pixel, the three samples from `firstSample` on.
NoiseColour noisePixelColour(const NoiseFrame& frame, std::uint32_t firstSample);
