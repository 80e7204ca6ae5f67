// AVX-512 kernels: sixteen pixels per step, the same arithmetic as the AVX2
// ones with the range corrections done under masks.
#include "effect/row_kernels_x86.h"

#if VSF_HAVE_X86_KERNELS

// GCC 12's AVX-512 header builds its "undefined" vectors from themselves,
// which its own uninitialised-use warning then reports inside our functions.
#pragma GCC diagnostic ignored "-Wuninitialized"
#include <immintrin.h>

#include "effect/band_layout.h"
#include "effect/noise_sample.h"

#define VSF_AVX512 __attribute__((target("avx512f")))

namespace {

constexpr int lanes = 16;
constexpr int cacheLineValues = 16;

VSF_AVX512 inline __m512i remainderBy2000(__m512i product) {
  const __m512i modulus = _mm512_set1_epi32(noiseModulus);
  const __m512 reciprocal = _mm512_set1_ps(1.0f / static_cast<float>(noiseModulus));
  // The single-precision quotient is within one of the truncated one.
  const __m512i quotient =
      _mm512_cvttps_epi32(_mm512_mul_ps(_mm512_cvtepi32_ps(product), reciprocal));
  __m512i remainder = _mm512_sub_epi32(product, _mm512_mullo_epi32(quotient, modulus));
  const __mmask16 negative = _mm512_cmplt_epi32_mask(product, _mm512_setzero_si512());
  const __m512i low =
      _mm512_maskz_mov_epi32(negative, _mm512_set1_epi32(1 - noiseModulus));
  const __m512i high = _mm512_maskz_mov_epi32(static_cast<__mmask16>(~negative),
                                              _mm512_set1_epi32(noiseModulus - 1));
  remainder = _mm512_mask_add_epi32(remainder, _mm512_cmplt_epi32_mask(remainder, low), remainder,
                                    modulus);
  remainder = _mm512_mask_sub_epi32(remainder, _mm512_cmpgt_epi32_mask(remainder, high),
                                    remainder, modulus);
  return remainder;
}

VSF_AVX512 inline __m512i channelSamples(__m512i count, __m512i timeOffset,
                                         const std::int32_t* samples) {
  const __m512i product = _mm512_mullo_epi32(count, _mm512_add_epi32(count, timeOffset));
  const __m512i remainder = remainderBy2000(product);
  const __mmask16 readable = _mm512_cmpge_epi32_mask(remainder, _mm512_setzero_si512());
  return _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), readable, remainder, samples, 4);
}

VSF_AVX512 void drawNoiseRowAvx512(const NoiseFrame& frame, std::uint32_t firstSample,
                                   std::uint32_t* row, const std::uint32_t* upcoming) {
  // Pixel x + lane takes its samples 3 * lane fewer than pixel x's.
  const __m512i laneOffsets =
      _mm512_setr_epi32(0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30, 33, 36, 39, 42, 45);
  const __m512i timeOffset = _mm512_set1_epi32(static_cast<int>(frame.timeOffset));
  const __m512i one = _mm512_set1_epi32(1);
  const std::uint32_t rowStart = frame.firstCount + firstSample +
                                 static_cast<std::uint32_t>((frameWidth - 1) * samplesPerPixel);
  for (int x = 0; x < frameWidth; x += lanes) {
    if (x % cacheLineValues == 0) {
      __builtin_prefetch(upcoming + x);
    }
    const std::uint32_t countAtX = rowStart - static_cast<std::uint32_t>(x * samplesPerPixel);
    const __m512i redCount =
        _mm512_sub_epi32(_mm512_set1_epi32(static_cast<int>(countAtX)), laneOffsets);
    const __m512i greenCount = _mm512_add_epi32(redCount, one);
    const __m512i blueCount = _mm512_add_epi32(greenCount, one);
    const __m512i red = channelSamples(redCount, timeOffset, frame.channelSamples[0]);
    const __m512i green = channelSamples(greenCount, timeOffset, frame.channelSamples[1]);
    const __m512i blue = channelSamples(blueCount, timeOffset, frame.channelSamples[2]);
    const __m512i pixels = _mm512_or_si512(
        _mm512_or_si512(_mm512_slli_epi32(red, 16), _mm512_slli_epi32(green, 8)), blue);
    _mm512_storeu_si512(row + x, pixels);
  }
}

VSF_AVX512 void drawImageRowAvx512(const NoiseColour& tint, const std::uint32_t* values,
                                   std::uint32_t* row) {
  const __m512i red = _mm512_set1_epi32(tint.red);
  const __m512i green = _mm512_set1_epi32(tint.green);
  const __m512i blue = _mm512_set1_epi32(tint.blue);
  for (int x = 0; x < frameWidth; x += lanes) {
    const __m512i value = _mm512_loadu_si512(values + x);
    const __m512i redPart = _mm512_srli_epi32(_mm512_mullo_epi32(red, value), 2);
    const __m512i greenPart = _mm512_srli_epi32(_mm512_mullo_epi32(green, value), 2);
    const __m512i bluePart = _mm512_srli_epi32(_mm512_mullo_epi32(blue, value), 1);
    const __m512i pixels = _mm512_or_si512(
        _mm512_or_si512(_mm512_slli_epi32(redPart, 16), _mm512_slli_epi32(greenPart, 8)),
        bluePart);
    _mm512_storeu_si512(row + x, pixels);
  }
}

} // namespace

RowKernels avx512RowKernels() { return RowKernels{drawNoiseRowAvx512, drawImageRowAvx512}; }

#endif
