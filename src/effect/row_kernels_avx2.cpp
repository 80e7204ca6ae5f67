// AVX2 kernels: eight samples per step. The products are walked by additions;
// the remainder by 2000 comes from a single-precision quotient, which is
// the true one or one less, and one correction step. The table indices
// go to a row buffer and the samples are looked up by scalar loads, which on
// x86 cost half as much as gathers from a 2000-entry table.
#include "effect/row_kernels_x86.h"

#if VSF_HAVE_X86_KERNELS

#include <immintrin.h>

#include <cstdint>

#include "effect/band_layout.h"
#include "effect/noise_sample.h"
#include "effect/row_kernels.h"

#define VSF_AVX2 __attribute__((target("avx2")))

namespace {

constexpr int lanes = 8;
constexpr int cacheLineValues = 16;

// sampleIndexByQuotient for eight products: the quotient from single
// precision is the truncated one or one nearer zero, so one unsigned minimum
// corrects the remainder's magnitude; the sign goes back on, and every
// negative remainder becomes silentIndex.
VSF_AVX2 inline __m256i sampleIndices(__m256i product, __m256i modulus) {
  const __m256i quotient = _mm256_cvttps_epi32(
      _mm256_mul_ps(_mm256_cvtepi32_ps(product), _mm256_set1_ps(quotientScale)));
  const __m256i remainder = _mm256_sub_epi32(product, _mm256_mullo_epi32(quotient, modulus));
  const __m256i magnitude = _mm256_abs_epi32(remainder);
  const __m256i reduced = _mm256_min_epu32(magnitude, _mm256_sub_epi32(magnitude, modulus));
  return _mm256_min_epu32(_mm256_sign_epi32(reduced, product),
                          _mm256_set1_epi32(static_cast<int>(silentIndex)));
}

// The products of the counters for eight consecutive samples. The next eight
// samples' counters are each 8 higher, so n (n + offset) grows by
// step = 16 n + 8 offset + 64, which itself grows by 128: two additions per
// step instead of a multiplication.
struct ProductWalk {
  __m256i product;
  __m256i step;
};

VSF_AVX2 inline ProductWalk startWalk(std::uint32_t firstCount, std::uint32_t timeOffset) {
  const __m256i count = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(firstCount)),
                                         _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  const __m256i offset = _mm256_set1_epi32(static_cast<int>(timeOffset));
  const __m256i product = _mm256_mullo_epi32(count, _mm256_add_epi32(count, offset));
  const __m256i step =
      _mm256_add_epi32(_mm256_add_epi32(_mm256_slli_epi32(count, 4), _mm256_slli_epi32(offset, 3)),
                       _mm256_set1_epi32(lanes * lanes));
  return ProductWalk{product, step};
}

VSF_AVX2 void drawNoiseRowAvx2(const NoiseFrame& frame, std::uint32_t firstSample,
                               std::uint32_t* row, const std::uint32_t* upcoming) {
  alignas(32) std::uint32_t indices[samplesPerRow];
  ProductWalk walk = startWalk(frame.firstCount + firstSample, frame.timeOffset);
  const __m256i stepGrowth = _mm256_set1_epi32(2 * lanes * lanes);
  // Kept opaque: one multiplication is cheaper than the five shifts and
  // subtractions compilers turn a product by 2000 into.
  __m256i modulus = _mm256_set1_epi32(noiseModulus);
  __asm__("" : "+x"(modulus));
  for (int k = 0; k < samplesPerRow; k += lanes) {
    if (k % (2 * cacheLineValues) == 0) {
      __builtin_prefetch(upcoming + k / 3); // 640 values over 1920 samples
    }
    _mm256_store_si256(reinterpret_cast<__m256i*>(indices + k),
                       sampleIndices(walk.product, modulus));
    walk.product = _mm256_add_epi32(walk.product, walk.step);
    walk.step = _mm256_add_epi32(walk.step, stepGrowth);
  }
  drawNoiseRowFromIndices(frame, indices, row);
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
  return RowKernels{drawNoiseRowAvx2, drawImageRowAvx2, "AVX2"};
}

#endif
