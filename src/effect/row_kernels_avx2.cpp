// AVX2 kernels: eight pixels per step. The remainder by 2000 comes from a
// single-precision quotient, which is within one of the truncated one, and
// one correction step; the samples come from the per-frame tables by gather.
#include "effect/row_kernels_x86.h"

#if VSF_HAVE_X86_KERNELS

#include <immintrin.h>

#include "effect/band_layout.h"
#include "effect/noise_sample.h"

#define VSF_AVX2 __attribute__((target("avx2")))

namespace {

constexpr int lanes = 8;
constexpr int cacheLineValues = 16;

VSF_AVX2 inline __m256i remainderBy2000(__m256i product) {
  const __m256i modulus = _mm256_set1_epi32(noiseModulus);
  const __m256 reciprocal = _mm256_set1_ps(1.0f / static_cast<float>(noiseModulus));
  const __m256i quotient =
      _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(product), reciprocal));
  __m256i remainder = _mm256_sub_epi32(product, _mm256_mullo_epi32(quotient, modulus));
  // The truncated remainder lies in 0..1999 for a non-negative product and in
  // -1999..0 for a negative one; move one modulus back into that range.
  const __m256i negative = _mm256_srai_epi32(product, 31);
  const __m256i low = _mm256_and_si256(negative, _mm256_set1_epi32(1 - noiseModulus));
  const __m256i high = _mm256_andnot_si256(negative, _mm256_set1_epi32(noiseModulus - 1));
  remainder =
      _mm256_add_epi32(remainder, _mm256_and_si256(_mm256_cmpgt_epi32(low, remainder), modulus));
  remainder =
      _mm256_sub_epi32(remainder, _mm256_and_si256(_mm256_cmpgt_epi32(remainder, high), modulus));
  return remainder;
}

// Samples for eight frame counts; a negative remainder reads nothing and gives 0.
VSF_AVX2 inline __m256i channelSamples(__m256i count, __m256i timeOffset,
                                       const std::int32_t* samples) {
  const __m256i product = _mm256_mullo_epi32(count, _mm256_add_epi32(count, timeOffset));
  const __m256i remainder = remainderBy2000(product);
  const __m256i readable = _mm256_cmpgt_epi32(remainder, _mm256_set1_epi32(-1));
  return _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), samples, remainder, readable, 4);
}

VSF_AVX2 void drawNoiseRowAvx2(const NoiseFrame& frame, std::uint32_t firstSample,
                               std::uint32_t* row, const std::uint32_t* upcoming) {
  // Pixel x + lane takes its samples 3 * lane fewer than pixel x's.
  const __m256i laneOffsets = _mm256_setr_epi32(0, 3, 6, 9, 12, 15, 18, 21);
  const __m256i timeOffset = _mm256_set1_epi32(static_cast<int>(frame.timeOffset));
  const __m256i one = _mm256_set1_epi32(1);
  const std::uint32_t rowStart = frame.firstCount + firstSample +
                                 static_cast<std::uint32_t>((frameWidth - 1) * samplesPerPixel);
  for (int x = 0; x < frameWidth; x += lanes) {
    if (x % cacheLineValues == 0) {
      __builtin_prefetch(upcoming + x);
    }
    const std::uint32_t countAtX = rowStart - static_cast<std::uint32_t>(x * samplesPerPixel);
    const __m256i redCount =
        _mm256_sub_epi32(_mm256_set1_epi32(static_cast<int>(countAtX)), laneOffsets);
    const __m256i greenCount = _mm256_add_epi32(redCount, one);
    const __m256i blueCount = _mm256_add_epi32(greenCount, one);
    const __m256i red = channelSamples(redCount, timeOffset, frame.channelSamples[0]);
    const __m256i green = channelSamples(greenCount, timeOffset, frame.channelSamples[1]);
    const __m256i blue = channelSamples(blueCount, timeOffset, frame.channelSamples[2]);
    const __m256i pixels = _mm256_or_si256(
        _mm256_or_si256(_mm256_slli_epi32(red, 16), _mm256_slli_epi32(green, 8)), blue);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), pixels);
  }
}

VSF_AVX2 void drawImageRowAvx2(const NoiseColour& tint, const std::uint32_t* values,
                               std::uint32_t* row) {
  const __m256i red = _mm256_set1_epi32(tint.red);
  const __m256i green = _mm256_set1_epi32(tint.green);
  const __m256i blue = _mm256_set1_epi32(tint.blue);
  for (int x = 0; x < frameWidth; x += lanes) {
    const __m256i value = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(values + x));
    const __m256i redPart = _mm256_srli_epi32(_mm256_mullo_epi32(red, value), 2);
    const __m256i greenPart = _mm256_srli_epi32(_mm256_mullo_epi32(green, value), 2);
    const __m256i bluePart = _mm256_srli_epi32(_mm256_mullo_epi32(blue, value), 1);
    const __m256i pixels = _mm256_or_si256(
        _mm256_or_si256(_mm256_slli_epi32(redPart, 16), _mm256_slli_epi32(greenPart, 8)), bluePart);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), pixels);
  }
}

} // namespace

RowKernels avx2RowKernels() {
  return RowKernels{drawNoiseRowAvx2, drawImageRowAvx2};
}

#endif
