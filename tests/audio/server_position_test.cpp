#include "audio/server_position.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

#include "driver/show_timing.h"

namespace {

constexpr std::uint32_t rate = outputFrequency;
// Nanosecond ticks, as SDL's performance counter gives on Linux.
constexpr std::uint64_t tickFrequency = 1'000'000'000;

std::uint64_t ticksOf(double seconds) {
  return static_cast<std::uint64_t>(std::llround(seconds * tickFrequency));
}

TEST(ServerPosition, NothingBeforeTheFirstReadingAndNothingFromReadingsNoOutputCanGive) {
  ServerPosition position(rate, tickFrequency);
  EXPECT_FALSE(position.heardFrame(ticksOf(1.0)).has_value());
  EXPECT_FALSE(position.add(-0.001, 1000, ticksOf(1.0)));
  EXPECT_FALSE(position.add(std::numeric_limits<double>::quiet_NaN(), 1000, ticksOf(1.0)));
  EXPECT_FALSE(position.add(-std::numeric_limits<double>::infinity(), 1000, ticksOf(1.0)));
  EXPECT_FALSE(position.heardFrame(ticksOf(1.0)).has_value());
  // Handed 44100 frames by 1 s, holding 0.1 s of them: 39690 heard then,
  // and 4410 more a tenth of a second later.
  EXPECT_TRUE(position.add(0.1, rate, ticksOf(1.0)));
  EXPECT_NEAR(*position.heardFrame(ticksOf(1.1)), 0.9 * rate + 0.1 * rate, 1e-6);
  // A server that reports absurdly much counts as holding the most any output holds.
  for (std::size_t i = 0; i < ServerPosition::readingsKept; ++i)
    EXPECT_TRUE(position.add(std::numeric_limits<double>::infinity(), 2 * rate, ticksOf(2.0)));
  EXPECT_NEAR(*position.heardFrame(ticksOf(2.0)), (2.0 - ServerPosition::maxHeldSeconds) * rate,
              1e-6);
}

// A server playing steadily behind a writer that hands it whole buffers when
// it has room, singly or two at once. It takes them in blocks, so each reading
// is half a block over or under, in a proportion of its own; the answers are
// taken a little after the server looked, and a tenth of them after another
// write. The position stays within a millisecond of the frame really heard,
// wherever in the writes it is asked.
TEST(ServerPosition, PlacesTheListenerWhateverTheWritesAndBlocks) {
  std::mt19937 random(15);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int run = 0; run < 300; ++run) {
    const double latency = 0.02 + 0.2 * unit(random); // the server's own queue, seconds
    const double buffer = 256.0 + std::floor(2048.0 * unit(random));
    const double block = 0.001 + 0.015 * unit(random);
    const double over = 0.4 + 0.2 * unit(random); // the share of readings half a block over
    const double start = 1000.0 * unit(random);   // seconds since the counter began
    ServerPosition position(rate, tickFrequency);
    double handed = 0.0;
    int readings = 0;
    for (double t = 0.0; t < 4.5; t += 0.001) {
      const double heard = std::max(0.0, (t - latency) * rate);
      while (handed - heard < latency * rate)
        handed += buffer * (unit(random) < 0.5 ? 2.0 : 1.0);
      // Asked every 50 ms once the server has started playing.
      if (t < 0.25 || std::fmod(t, 0.05) >= 0.001)
        continue;
      ++readings;
      // Where in a block a reading falls steps on by the same amount each time.
      const double phase = std::fmod(readings * 0.6180339887, 1.0);
      const double held = (handed - heard) / rate + (phase < over ? 0.5 : -0.5) * block;
      const bool wild = readings % 10 == 0;
      const double handedBy = handed + (wild ? buffer : 0.0);
      ASSERT_TRUE(position.add(held, static_cast<std::uint64_t>(handedBy),
                               ticksOf(start + t + 0.0005 * unit(random))));
      if (readings < static_cast<int>(ServerPosition::readingsKept))
        continue;
      const double asked = t + 0.05 * unit(random);
      const double truth = (asked - latency) * rate;
      ASSERT_NEAR(*position.heardFrame(ticksOf(start + asked)), truth, 0.001 * rate)
          << "run " << run << " at " << t << " s";
    }
  }
}

// A change of the server's buffering: a quarter of new readings may be wild
// ones, so the position holds through them, goes halfway with more, and is
// there with three quarters.
TEST(ServerPosition, FollowsAChangeOfBufferingOverTheReadingsKept) {
  constexpr std::size_t kept = ServerPosition::readingsKept;
  std::mt19937 random(9);
  std::uniform_real_distribution<double> level(0.0, 0.5);
  for (int run = 0; run < 200; ++run) {
    const double from = level(random), to = level(random);
    ServerPosition position(rate, tickFrequency);
    const std::uint64_t handed = 10 * rate;
    const auto heardWith = [&](double held) { return static_cast<double>(handed) - held * rate; };
    for (std::size_t i = 0; i < kept; ++i)
      position.add(from, handed, ticksOf(10.0));
    for (std::size_t i = 1; i <= kept; ++i) {
      position.add(to, handed, ticksOf(10.0));
      const double expected = i <= kept / 4         ? heardWith(from)
                              : i < kept - kept / 4 ? (heardWith(from) + heardWith(to)) / 2.0
                                                    : heardWith(to);
      ASSERT_NEAR(*position.heardFrame(ticksOf(10.0)), expected, 1e-6)
          << "after " << i << " new readings";
    }
  }
}

} // namespace
