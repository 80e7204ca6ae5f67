#include "audio/spectrum_analyser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

#include "effect/colour_factors.h"

namespace {

using Window = std::array<float, SpectrumAnalyser::windowSize>;
using Bins = std::array<float, SpectrumAnalyser::binCount>;

Window sine(double bin, double amplitude, double phase = 0.0) {
  Window w{};
  for (std::size_t n = 0; n < w.size(); ++n)
    w[n] = static_cast<float>(
        amplitude *
        std::sin(2.0 * std::numbers::pi * bin * static_cast<double>(n) / w.size() + phase));
  return w;
}

Bins analyse(const Window& samples) {
  SpectrumAnalyser analyser;
  Bins bins{};
  analyser.analyse(samples.data(), bins.data());
  return bins;
}

TEST(SpectrumAnalyser, FullScaleSineOnABinReadsFourThere) {
  constexpr auto fullScale = static_cast<float>(SpectrumAnalyser::fullScaleSineReading);
  for (const std::size_t bin : colourBins) {
    const Bins bins = analyse(sine(static_cast<double>(bin), 1.0, 0.3));
    EXPECT_NEAR(bins[bin], fullScale, 4e-4f) << "bin " << bin;
    // The Hann window spreads a centred tone over its two neighbours only, at half height.
    EXPECT_NEAR(bins[bin + 1], fullScale / 2, 4e-4f) << "bin " << bin;
    EXPECT_NEAR(bins[bin + 3], 0.0f, 4e-3f) << "bin " << bin;
  }
}

// A quarter of full scale, -12 dBFS, reads 1 whatever its phase.
TEST(SpectrumAnalyser, MagnitudeFollowsAmplitudeAndNotPhase) {
  EXPECT_NEAR(analyse(sine(37, 0.25, 0.0))[37], 1.0f, 4e-4f);
  EXPECT_NEAR(analyse(sine(37, 0.25, 1.7))[37], 1.0f, 4e-4f);
  EXPECT_NEAR(analyse(sine(37, 0.05, 0.9))[37], 0.2f, 4e-4f);
}

TEST(SpectrumAnalyser, SilenceReadsZeroEverywhere) {
  const Bins bins = analyse(Window{});
  EXPECT_TRUE(std::all_of(bins.begin(), bins.end(), [](float m) { return m == 0.0f; }));
}

TEST(SpectrumAnalyser, MagnitudesAreNeverNegative) {
  Window noise{};
  unsigned state = 12345;
  for (float& s : noise) {
    state = state * 1103515245u + 12345u;
    s = static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
  }
  const Bins bins = analyse(noise);
  EXPECT_TRUE(std::all_of(bins.begin(), bins.end(), [](float m) { return m >= 0.0f; }));
  EXPECT_GT(*std::max_element(bins.begin(), bins.end()), 0.0f);
}

TEST(SpectrumAnalyser, RepeatedRequestsGiveTheSameAnswer) {
  SpectrumAnalyser analyser;
  const Window tone = sine(10, 0.5);
  Bins first{}, second{};
  analyser.analyse(tone.data(), first.data());
  analyser.analyse(tone.data(), second.data());
  EXPECT_EQ(first, second);
}

} // namespace
