// The master's limiter over many seeded signals: nothing leaves it above the
// ceiling, between the samples included, clicks and edges too; both sides
// share one gain, so the stereo image holds; what never reaches the ceiling
// passes untouched; nothing is lost or gained in length.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "music/peak_limiter.h"

namespace {

constexpr double rate = 44100.0;
constexpr double ceiling = 0.7;

// Sines, a square-ish edge and noise, at a level drawn per case.
std::vector<float> makeSignal(std::uint32_t seed, double level) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const auto frames = static_cast<std::size_t>(4000 + random() % 20000);
  const double low = 40.0 + 200.0 * unit(random), high = 2000.0 + 18000.0 * unit(random);
  const double noise = unit(random);
  std::vector<float> signal(2 * frames);
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double burst = (i / 3000) % 2 == 0 ? 1.0 : 0.3;
    for (std::size_t c = 0; c < 2; ++c) {
      const double value =
          std::sin(2 * std::numbers::pi * low * t) +
          0.5 * std::sin(2 * std::numbers::pi * high * t + static_cast<double>(c)) +
          noise * (2.0 * unit(random) - 1.0);
      signal[2 * i + c] = static_cast<float>(level * burst * value / 2.5);
    }
  }
  return signal;
}

// What trips a limiter up: lone clicks out of silence (the look-ahead must
// already be down), full-scale edges and the highest frequency, whose peaks
// fall between the samples, at a level drawn per case.
std::vector<float> makeHarshSignal(std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const auto frames = static_cast<std::size_t>(3000 + random() % 8000);
  const double level = 0.5 + 9.5 * unit(random);
  std::vector<float> signal(2 * frames);
  const std::size_t kind = seed % 3;
  const auto period = static_cast<std::size_t>(2 + random() % 40);
  for (std::size_t i = 0; i < frames; ++i)
    for (std::size_t c = 0; c < 2; ++c) {
      double value = 0.0;
      if (kind == 0)
        value = unit(random) < 0.002 ? (unit(random) < 0.5 ? -1.0 : 1.0) : 0.0;
      else if (kind == 1)
        value = (i / period) % 2 == 0 ? 1.0 : -1.0;
      else
        value = (i % 2 == 0 ? 1.0 : -1.0) * (c == 0 ? 1.0 : 0.3);
      signal[2 * i + c] = static_cast<float>(level * value);
    }
  return signal;
}

std::vector<float> limit(const std::vector<float>& signal, std::vector<float>* gains = nullptr) {
  PeakLimiter limiter(ceiling, 220, 0.08, rate);
  limiter.logGains(gains);
  std::vector<float> out;
  // Fed in uneven pieces, as the generator feeds it stretch by stretch.
  std::size_t at = 0;
  for (std::size_t piece = 1; at < signal.size() / 2; piece = piece * 7 % 5000 + 1) {
    const std::size_t count = std::min(piece, signal.size() / 2 - at);
    limiter.process(signal.data() + 2 * at, count, out);
    at += count;
  }
  limiter.finish(out);
  return out;
}

double truePeakOf(const std::vector<float>& signal) {
  const std::vector<double> frames(signal.begin(), signal.end());
  double peak = 0.0;
  for (std::size_t at = 5; at + PeakLimiter::reach < frames.size() / 2; ++at)
    peak = std::max(peak, PeakLimiter::truePeak(frames.data(), at));
  return peak;
}

} // namespace

TEST(PeakLimiterTest, FindsThePeakBetweenSamples) {
  // A quarter-rate sine at 45 degrees: its samples reach 0.707, the wave 1,
  // at the crests between every other pair of samples.
  std::vector<double> frames;
  for (int i = 0; i < 32; ++i) {
    const double value = std::sin(std::numbers::pi / 2 * i + std::numbers::pi / 4);
    frames.push_back(value);
    frames.push_back(-value);
  }
  for (std::size_t at = 8; at < 20; ++at)
    EXPECT_NEAR(PeakLimiter::truePeak(frames.data(), at), at % 2 == 0 ? 1.0 : std::sqrt(0.5), 0.03)
        << at;
}

TEST(PeakLimiterTest, HoldsEveryTruePeakUnderTheCeiling) {
  for (std::uint32_t seed = 1; seed <= 60; ++seed) {
    const double level = 0.5 + 3.5 * (seed % 10) / 9.0;
    const std::vector<float> signal = makeSignal(seed, level);
    const std::vector<float> out = limit(signal);
    ASSERT_EQ(out.size(), signal.size()) << seed;
    EXPECT_LE(truePeakOf(out), ceiling * 1.0005) << "seed " << seed << " level " << level;
    // The limiter only ever turns the signal down.
    for (std::size_t i = 0; i < out.size(); ++i)
      ASSERT_LE(std::fabs(out[i]), std::fabs(signal[i]) + 1e-6f) << seed << " at " << i;
  }
}

TEST(PeakLimiterTest, PassesQuietSignalsUntouched) {
  for (std::uint32_t seed = 100; seed < 130; ++seed) {
    std::vector<float> signal = makeSignal(seed, 1.0);
    const double peak = truePeakOf(signal);
    const float scale = static_cast<float>(0.9 * ceiling / peak);
    for (float& value : signal)
      value *= scale;
    const std::vector<float> out = limit(signal);
    ASSERT_EQ(out.size(), signal.size());
    for (std::size_t i = 0; i < out.size(); ++i)
      ASSERT_FLOAT_EQ(out[i], signal[i]) << seed << " at " << i;
  }
}

TEST(PeakLimiterTest, HoldsClicksAndEdgesWithOneGainForBothSides) {
  for (std::uint32_t seed = 200; seed < 260; ++seed) {
    const std::vector<float> signal = makeHarshSignal(seed);
    std::vector<float> gains;
    const std::vector<float> out = limit(signal, &gains);
    ASSERT_EQ(out.size(), signal.size()) << seed;
    ASSERT_EQ(gains.size(), signal.size() / 2) << seed;
    EXPECT_LE(truePeakOf(out), ceiling * 1.0005) << "seed " << seed;
    for (std::size_t i = 0; i < gains.size(); ++i) {
      ASSERT_TRUE(gains[i] > 0.0f && gains[i] <= 1.0f) << seed << " at " << i;
      // Each side is its input times the frame's one gain: the image never shifts.
      for (std::size_t c = 0; c < 2; ++c)
        ASSERT_NEAR(out[2 * i + c], gains[i] * signal[2 * i + c],
                    1e-6f * (1.0f + std::fabs(signal[2 * i + c])))
            << seed << " at " << i;
    }
  }
}
