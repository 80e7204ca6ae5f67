#include <gtest/gtest.h>

#include "effect/noise_table.h"
#include "effect/random.h"

namespace {

std::uint32_t randomState = randomSeed;
NoiseTable noiseTable{};

class NoiseTableTest : public ::testing::Test {
protected:
  void SetUp() override {
    noiseTable.fill(-1);
    randomState = 1;
    fillNoiseTable(noiseTable, randomState);
  }
};

TEST_F(NoiseTableTest, EntriesAreGeneratorOutputsModulo255) {
  EXPECT_EQ(noiseTable[0], 41);
  EXPECT_EQ(noiseTable[1], 107);
  EXPECT_EQ(noiseTable[2], 214);
  EXPECT_EQ(noiseTable[16], 190);
  EXPECT_EQ(noiseTable[17], 212);
}

TEST_F(NoiseTableTest, EveryEntryIsWithinRange) {
  for (std::size_t i = 0; i < noiseTable.size(); ++i) {
    ASSERT_GE(noiseTable[i], 0) << "entry " << i;
    ASSERT_LE(noiseTable[i], 254) << "entry " << i;
  }
}

TEST_F(NoiseTableTest, FillConsumesExactly2000Outputs) {
  // The image indices that follow are the show's first five pictures.
  EXPECT_EQ(nextRandom(randomState) % 79, 28);
  EXPECT_EQ(nextRandom(randomState) % 79, 14);
  EXPECT_EQ(nextRandom(randomState) % 79, 30);
  EXPECT_EQ(nextRandom(randomState) % 79, 1);
  EXPECT_EQ(nextRandom(randomState) % 79, 71);
}

TEST_F(NoiseTableTest, LastEntryIsThe2000thOutput) {
  randomState = 1;
  skipRandom(randomState, 1999);
  EXPECT_EQ(noiseTable[1999], nextRandom(randomState) % 255);
}

} // namespace
