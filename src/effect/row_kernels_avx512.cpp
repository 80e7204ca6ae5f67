// AVX-512 kernels: sixteen pixels per step, corrections under masks.
#include "effect/row_kernels_x86.h"

#if VSF_HAVE_X86_KERNELS

// GCC 12's AVX-512 header builds its "undefined" vectors from themselves,
// which its own uninitialised-use warning then reports inside our functions.
#pragma GCC diagnostic ignored "-Wuninitialized"
#include <immintrin.h>

#include "effect/band_layout.h"
#include "effect/noise_sample.h"

#define VSF_AVX512 __attribute__((target("avx512f,avx512dq")))

namespace {

constexpr int lanes = 16; // also the values in one cache line
constexpr float reciprocal2000 = 1.0f / static_cast<float>(noiseModulus);
// Above the guess's worst error (0.16) and below 1 minus it.
constexpr float quotientBias = 0.17f;

// Sixteen samples' table values from their counters' products. The product's
// magnitude a is divided in single precision with a small upward bias, which
// leaves the quotient exact or one too large, so one correction gives a mod
// 2000. A negative product reads only when a is a multiple of 2000 (entry 0).
VSF_AVX512 inline __m512i channelSamples(__m512i product, const std::int32_t* samples) {
  const __m512i magnitude = _mm512_abs_epi32(product); // 2^31 stays 2^31, read unsigned
  const __m512 quotientGuess = _mm512_fmadd_ps(
      _mm512_cvtepu32_ps(magnitude), _mm512_set1_ps(reciprocal2000), _mm512_set1_ps(quotientBias));
  const __m512i quotient = _mm512_cvttps_epu32(quotientGuess);
  __m512i remainder =
      _mm512_sub_epi32(magnitude, _mm512_mullo_epi32(quotient, _mm512_set1_epi32(noiseModulus)));
  remainder = _mm512_mask_add_epi32(remainder, _mm512_movepi32_mask(remainder), remainder,
                                    _mm512_set1_epi32(noiseModulus));
  const __mmask16 unreadable =
      _mm512_mask_test_epi32_mask(_mm512_movepi32_mask(product), remainder, remainder);
  // Unoptimised, GCC's header makes the gather a macro that hands the mask on
  // as a signed short, which -Wsign-conversion reports here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-conversion"
  return _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), _mm512_knot(unreadable), remainder,
                                     samples, 4);
#pragma GCC diagnostic pop
}

// The products of one channel across a row. Moving sixteen pixels to the
// right takes every lane's counter n down by 48, and n (n + offset) changes by
// step = 2304 - 48 (2n + offset), which itself grows by 4608: two additions
// per step instead of a multiplication.
struct ProductWalk {
  __m512i product;
  __m512i step;
};

VSF_AVX512 inline ProductWalk startWalk(__m512i count, __m512i timeOffset) {
  const __m512i product = _mm512_mullo_epi32(count, _mm512_add_epi32(count, timeOffset));
  const __m512i twiceCountPlusOffset = _mm512_add_epi32(_mm512_add_epi32(count, count), timeOffset);
  const __m512i step = _mm512_sub_epi32(
      _mm512_set1_epi32(2304), _mm512_mullo_epi32(twiceCountPlusOffset, _mm512_set1_epi32(48)));
  return ProductWalk{product, step};
}

VSF_AVX512 inline __m512i advance(ProductWalk& walk) {
  const __m512i product = walk.product;
  walk.product = _mm512_add_epi32(walk.product, walk.step);
  walk.step = _mm512_add_epi32(walk.step, _mm512_set1_epi32(4608));
  return product;
}

VSF_AVX512 void drawNoiseRowAvx512(const NoiseFrame& frame, std::uint32_t firstSample,
                                   std::uint32_t* row, const std::uint32_t* upcoming) {
  // Pixel x + lane takes its samples 3 * lane fewer than pixel x's.
  const __m512i laneOffsets =
      _mm512_setr_epi32(0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30, 33, 36, 39, 42, 45);
  const __m512i timeOffset = _mm512_set1_epi32(static_cast<int>(frame.timeOffset));
  const std::uint32_t rowStart = frame.firstCount + firstSample +
                                 static_cast<std::uint32_t>((frameWidth - 1) * samplesPerPixel);
  const __m512i redCount =
      _mm512_sub_epi32(_mm512_set1_epi32(static_cast<int>(rowStart)), laneOffsets);
  const __m512i one = _mm512_set1_epi32(1);
  ProductWalk red = startWalk(redCount, timeOffset);
  ProductWalk green = startWalk(_mm512_add_epi32(redCount, one), timeOffset);
  ProductWalk blue = startWalk(_mm512_add_epi32(redCount, _mm512_add_epi32(one, one)), timeOffset);
  for (int x = 0; x < frameWidth; x += lanes) {
    __builtin_prefetch(upcoming + x);
    const __m512i redSamples = channelSamples(advance(red), frame.channelSamples[0]);
    const __m512i greenSamples = channelSamples(advance(green), frame.channelSamples[1]);
    const __m512i blueSamples = channelSamples(advance(blue), frame.channelSamples[2]);
    const __m512i pixels = _mm512_or_si512(
        _mm512_or_si512(_mm512_slli_epi32(redSamples, 16), _mm512_slli_epi32(greenSamples, 8)),
        blueSamples);
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
        _mm512_or_si512(_mm512_slli_epi32(redPart, 16), _mm512_slli_epi32(greenPart, 8)), bluePart);
    _mm512_storeu_si512(row + x, pixels);
  }
}

} // namespace

RowKernels avx512RowKernels() {
  return RowKernels{drawNoiseRowAvx512, drawImageRowAvx512, "AVX-512"};
}

#endif
