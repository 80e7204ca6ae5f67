#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "colour_bin_levels.h"
#include "effect/colour_factors.h"

namespace {

using Spectrum = std::array<float, 1024>;

TEST(ColourFactorsTest, SilenceGivesZero) {
  const Spectrum spectrum{};
  const ColourFactors factors = computeColourFactors(spectrum.data());
  EXPECT_EQ(factors.redFactor, 0.0f);
  EXPECT_EQ(factors.greenFactor, 0.0f);
  EXPECT_EQ(factors.blueFactor, 0.0f);
}

TEST(ColourFactorsTest, ReadsOnlyTheirBins) {
  Spectrum spectrum;
  spectrum.fill(1000.0f);
  setColourBins(spectrum.data(), {1.0f, 2.0f, 4.0f, 8.0f, 16.0f, 32.0f, 64.0f});
  const ColourFactors factors = computeColourFactors(spectrum.data());
  EXPECT_EQ(factors.redFactor, 59.0f);   // 2 + 1 - 8 + 64
  EXPECT_EQ(factors.greenFactor, 36.0f); // (4 + 2) * 0.5 + 1 - 32 + 64
  EXPECT_EQ(factors.blueFactor, 51.0f);  // 2 + 1 - 16 + 64
}

TEST(ColourFactorsTest, MayBeNegative) {
  Spectrum spectrum{};
  setColourBins(spectrum.data(),
                {.deep = 0.25f, .redCut = 1.5f, .blueCut = 0.5f, .greenCut = 3.0f});
  const ColourFactors factors = computeColourFactors(spectrum.data());
  EXPECT_EQ(factors.redFactor, -1.25f);
  EXPECT_EQ(factors.greenFactor, -2.75f);
  EXPECT_EQ(factors.blueFactor, -0.25f);
}

TEST(ColourFactorsTest, SumsInDoublePrecision) {
  // In single precision 1e8 + 1 rounds back to 1e8 and the sum would be 0.
  Spectrum spectrum{};
  setColourBins(spectrum.data(), {1.0f, 1e8f, -1e8f, 1e8f, 1e8f, 0.5f, 0.0f});
  const ColourFactors factors = computeColourFactors(spectrum.data());
  EXPECT_EQ(factors.redFactor, 1.0f);
  EXPECT_EQ(factors.blueFactor, 1.0f);
  EXPECT_EQ(factors.greenFactor, 0.5f); // (-1e8 + 1e8) * 0.5 + 1 - 0.5
}

TEST(ColourFactorsTest, LargeIntermediateSumsDoNotOverflow) {
  const float large = 3e38f;
  Spectrum spectrum{};
  setColourBins(spectrum.data(), {.deep = large, .low = large, .redCut = large});
  const ColourFactors factors = computeColourFactors(spectrum.data());
  EXPECT_EQ(factors.redFactor, large);
  EXPECT_TRUE(std::isinf(factors.blueFactor));
  EXPECT_GT(factors.blueFactor, 0.0f);
}

TEST(ColourFactorsTest, NanInAReadBinGivesNan) {
  Spectrum spectrum{};
  spectrum[airBin] = std::numeric_limits<float>::quiet_NaN();
  const ColourFactors factors = computeColourFactors(spectrum.data());
  EXPECT_TRUE(std::isnan(factors.redFactor));
  EXPECT_TRUE(std::isnan(factors.greenFactor));
  EXPECT_TRUE(std::isnan(factors.blueFactor));
}

} // namespace
