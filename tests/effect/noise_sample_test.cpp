#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "effect/noise_sample.h"

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

// Independent model: the exact truncated integer reduced modulo 2^32 in
// extended precision, which holds every finite double exactly.
std::int32_t lowWordOfTruncation(double value) {
  if (!std::isfinite(value)) {
    return 0;
  }
  long double word = std::fmod(std::trunc(static_cast<long double>(value)), 4294967296.0L);
  if (word < 0) {
    word += 4294967296.0L;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(word));
}

TEST(NoiseSampleTest, TruncatesTowardZeroInRange) {
  EXPECT_EQ(truncateToInt32(0.0), 0);
  EXPECT_EQ(truncateToInt32(-0.0), 0);
  EXPECT_EQ(truncateToInt32(254.9), 254);
  EXPECT_EQ(truncateToInt32(-254.9), -254);
  EXPECT_EQ(truncateToInt32(-0.999), 0);
  EXPECT_EQ(truncateToInt32(2147483647.9), 2147483647);
}

TEST(NoiseSampleTest, KeepsTheLowWordOfLargeProducts) {
  EXPECT_EQ(truncateToInt32(2147483648.0), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(truncateToInt32(-2147483648.0), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(truncateToInt32(-2147483649.0), 2147483647);
  EXPECT_EQ(truncateToInt32(4294967296.0), 0);
  EXPECT_EQ(truncateToInt32(4294967297.5), 1);
  EXPECT_EQ(truncateToInt32(-4294967297.0), -1);
  EXPECT_EQ(truncateToInt32(1e10), 1410065408);
  EXPECT_EQ(noiseSampleValue(3, 1e9f), -1294967296);
}

TEST(NoiseSampleTest, KeepsTheLowWordBeyondTwoToThe63) {
  const double allOnesTimes2048 = std::ldexp(9007199254740991.0, 11); // (2^53 - 1) * 2^11
  EXPECT_EQ(truncateToInt32(std::ldexp(1.0, 63)), 0);
  EXPECT_EQ(truncateToInt32(allOnesTimes2048), -2048);
  EXPECT_EQ(truncateToInt32(-allOnesTimes2048), 2048);
  EXPECT_EQ(truncateToInt32(std::ldexp(9007199254740991.0, 20)), -1048576);
  EXPECT_EQ(truncateToInt32(std::ldexp(9007199254740991.0, 32)), 0);
  EXPECT_EQ(noiseSampleValue(254, std::numeric_limits<float>::max()), 0);
  EXPECT_EQ(noiseSampleValue(253, -std::numeric_limits<float>::max()), 0);
}

TEST(NoiseSampleTest, NanAndInfinitiesGiveZero) {
  EXPECT_EQ(truncateToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(truncateToInt32(infinity), 0);
  EXPECT_EQ(truncateToInt32(-infinity), 0);
  EXPECT_EQ(noiseSampleValue(0, std::numeric_limits<float>::infinity()), 0);
  EXPECT_EQ(noiseSampleValue(7, std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(NoiseSampleTest, MatchesExactModelForAnyFactorBits) {
  std::mt19937 random(2024);
  for (int i = 0; i < 200000; ++i) {
    const auto factor = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
    const auto value = static_cast<std::int32_t>(random() % 255);
    const double product = static_cast<double>(value) * static_cast<double>(factor);
    ASSERT_EQ(noiseSampleValue(value, factor), lowWordOfTruncation(product))
        << value << " x " << factor;
  }
}

TEST(NoiseSampleTest, RemainderHasTheSignOfTheWrappedProduct) {
  EXPECT_EQ(noiseRemainder(0, 0), 0);
  EXPECT_EQ(noiseRemainder(7, 300), 100);
  EXPECT_EQ(noiseRemainder(1, 0xFFFFFFFFu), -1);
  EXPECT_EQ(noiseRemainder(3, 0xFFFFF830u), 0);     // -6000
  EXPECT_EQ(noiseRemainder(2, 0x40000000u), -1648); // INT_MIN
  EXPECT_EQ(noiseRemainder(65536, 65536), 0);       // wraps to 0
  EXPECT_EQ(noiseRemainder(46341, 46341), -1015);   // wraps negative
}

} // namespace
