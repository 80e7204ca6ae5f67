#pragma once
// The arithmetic of one noise sample, shared by the straight-loop and the fast
// composition so that both give the same bits.

#include <cmath>
#include <cstdint>

constexpr std::int32_t noiseModulus = 2000;

// Low 32 bits of the counters' product, as a signed value, then its remainder
// truncated toward zero: -1999..1999 with the sign of the product.
constexpr std::int32_t noiseRemainder(std::uint32_t frameCount, std::uint32_t timeCount) {
  return static_cast<std::int32_t>(frameCount * timeCount) % noiseModulus;
}

// A product truncated toward zero; the low 32 bits of that exact integer are
// the signed result, however large it is. NaN and infinities give 0 rather
// than the undefined plain conversion.
inline std::int32_t truncateToInt32(double value) {
  constexpr double twoToThe31 = 2147483648.0;
  constexpr double twoToThe63 = 9223372036854775808.0;
  constexpr int mantissaBits = 53;
  if (!std::isfinite(value)) {
    return 0;
  }
  const double magnitude = std::fabs(value);
  if (magnitude < twoToThe31) {
    return static_cast<std::int32_t>(value);
  }
  std::uint32_t low = 0;
  if (magnitude < twoToThe63) {
    low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(value)));
    return static_cast<std::int32_t>(low);
  }
  // Here the value is an integer m * 2^shift with m below 2^53 and shift of
  // at least 11; once shift reaches 32 the low word is all zeros.
  int exponent = 0;
  const double fraction = std::frexp(magnitude, &exponent);
  const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, mantissaBits));
  const int shift = exponent - mantissaBits;
  if (shift < 32) {
    low = static_cast<std::uint32_t>(mantissa << shift);
  }
  return static_cast<std::int32_t>(value < 0 ? 0u - low : low);
}

// One channel's sample for a table value: the product in double precision.
inline std::int32_t noiseSampleValue(std::int32_t tableValue, float factor) {
  return truncateToInt32(static_cast<double>(tableValue) * static_cast<double>(factor));
}
