#include <gtest/gtest.h>

#include "effect/random.h"

namespace {

std::uint32_t randomState = randomSeed;

class RandomTest : public ::testing::Test {
protected:
  void SetUp() override { randomState = 1; }
};

TEST_F(RandomTest, FirstOutputsFromStateOne) {
  // Pinned: one wrong value means the whole sequence is wrong.
  ASSERT_EQ(nextRandom(randomState), 41);
  ASSERT_EQ(nextRandom(randomState), 18467);
  ASSERT_EQ(nextRandom(randomState), 6334);
  ASSERT_EQ(nextRandom(randomState), 26500);
  ASSERT_EQ(nextRandom(randomState), 19169);
}

TEST_F(RandomTest, OutputsStayWithinFifteenBits) {
  for (int i = 0; i < 100000; ++i) {
    const int value = nextRandom(randomState);
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 32767);
  }
}

TEST_F(RandomTest, StateWrapsModuloTwoToThe32) {
  randomState = 0xFFFFFFFFu;
  // 0xFFFFFFFF * 214013 + 2531011 = 2531011 - 214013 (mod 2^32)
  nextRandom(randomState);
  EXPECT_EQ(randomState, 2531011u - 214013u);
}

TEST_F(RandomTest, SkipMatchesRepeatedSteps) {
  for (const std::uint64_t count : {0ull, 1ull, 2ull, 3ull, 2000ull, 2004ull, 65537ull}) {
    randomState = 12345u;
    for (std::uint64_t i = 0; i < count; ++i) {
      nextRandom(randomState);
    }
    const std::uint32_t stepped = randomState;
    randomState = 12345u;
    skipRandom(randomState, count);
    EXPECT_EQ(randomState, stepped) << "after " << count << " steps";
  }
}

TEST_F(RandomTest, SkipByThePeriodReturnsToTheStart) {
  // The increment is odd and the multiplier is 1 modulo 4: full period 2^32.
  skipRandom(randomState, 1ull << 32);
  EXPECT_EQ(randomState, 1u);
  skipRandom(randomState, 1ull << 31);
  EXPECT_NE(randomState, 1u);
}

} // namespace
