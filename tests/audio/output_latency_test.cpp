#include "audio/output_latency.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

#include "driver/show_timing.h"

namespace {

constexpr std::uint32_t rate = outputFrequency;

std::uint32_t framesOf(double seconds) {
  return static_cast<std::uint32_t>(std::lround(seconds * rate));
}

TEST(OutputLatency, NothingBeforeTheFirstReadingAndNothingFromReadingsNoOutputCanGive) {
  OutputLatency latency(rate);
  EXPECT_FALSE(latency.latencyFrames().has_value());
  EXPECT_FALSE(latency.add(-0.001));
  EXPECT_FALSE(latency.add(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_FALSE(latency.latencyFrames().has_value());
  EXPECT_TRUE(latency.add(0.0));
  EXPECT_EQ(latency.latencyFrames(), 0u);
  EXPECT_FALSE(latency.add(-std::numeric_limits<double>::infinity()));
  EXPECT_EQ(latency.latencyFrames(), 0u);
  // A server that reports absurdly much still leaves the window inside the history.
  for (std::size_t i = 0; i < OutputLatency::readingsKept; ++i)
    EXPECT_TRUE(latency.add(std::numeric_limits<double>::infinity()));
  EXPECT_EQ(latency.latencyFrames(), framesOf(OutputLatency::maxSeconds));
}

TEST(OutputLatency, HoldsTheServersLevelThroughWritesAndLateAnswers) {
  // Readings swing by the piece last written (up to a quarter of the level),
  // and fewer than half of them are far off: the estimate stays within the
  // swing around the level.
  std::mt19937 random(15);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int run = 0; run < 500; ++run) {
    const double level = 0.005 + 0.3 * unit(random);
    const double swing = 0.25 * level * unit(random);
    OutputLatency latency(rate);
    for (int reading = 0; reading < 60; ++reading) {
      const bool wild = reading % 3 == 0;
      const double seconds = wild ? 2.0 * level * unit(random) + (reading % 2) * 0.5
                                  : level + swing * (2.0 * unit(random) - 1.0);
      ASSERT_TRUE(latency.add(seconds));
      if (reading + 1 < static_cast<int>(OutputLatency::readingsKept))
        continue;
      const double estimate = static_cast<double>(*latency.latencyFrames()) / rate;
      ASSERT_NEAR(estimate, level, swing + 1.0 / rate) << "run " << run << ", reading " << reading;
    }
  }
}

TEST(OutputLatency, FollowsAChangeOfBufferingWithinHalfItsReadings) {
  std::mt19937 random(9);
  std::uniform_real_distribution<double> level(0.0, 0.5);
  for (int run = 0; run < 200; ++run) {
    const double from = level(random), to = level(random);
    OutputLatency latency(rate);
    for (std::size_t i = 0; i < OutputLatency::readingsKept; ++i)
      latency.add(from);
    ASSERT_EQ(latency.latencyFrames(), framesOf(from));
    for (std::size_t i = 0; i < OutputLatency::readingsKept / 2; ++i) {
      latency.add(to);
      ASSERT_EQ(latency.latencyFrames(), framesOf(from)) << "moved on one reading of " << i + 1;
    }
    latency.add(to);
    EXPECT_EQ(latency.latencyFrames(), framesOf(to));
  }
}

} // namespace
