#include "audio/audible_clock.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <thread>

#include "driver/show_timing.h"

namespace {

// One tick per frame keeps the arithmetic readable.
constexpr std::uint32_t rate = 1000;
constexpr std::uint64_t ticksPerSecond = 1000;

TEST(AudibleClock, NothingIsAudibleBeforeTheFirstCallback) {
  AudibleClock clock(rate, ticksPerSecond);
  EXPECT_FALSE(clock.audibleFrame(5000, 0).has_value());
}

TEST(AudibleClock, AdvancesWithTimeWithinTheLatestBuffer) {
  AudibleClock clock(rate, ticksPerSecond);
  clock.handedOver(100, 1000);
  EXPECT_EQ(clock.audibleFrame(1000, 0), 0u);
  EXPECT_EQ(clock.audibleFrame(1040, 0), 40u);
  clock.handedOver(100, 1100);
  EXPECT_EQ(clock.audibleFrame(1125, 0), 125u);
}

TEST(AudibleClock, NeverPassesWhatWasHandedOver) {
  AudibleClock clock(rate, ticksPerSecond);
  clock.handedOver(100, 1000);
  // The device stopped calling back (unplugged, paused): the position waits.
  EXPECT_EQ(clock.audibleFrame(1500, 0), 100u);
  EXPECT_EQ(clock.audibleFrame(1'000'000'000, 0), 100u);
}

TEST(AudibleClock, StaysBehindByTheDeviceLatency) {
  AudibleClock clock(rate, ticksPerSecond);
  clock.handedOver(100, 1000);
  EXPECT_EQ(clock.audibleFrame(1050, 100), 0u);
  clock.handedOver(100, 1100);
  EXPECT_EQ(clock.audibleFrame(1100, 100), 0u);
  EXPECT_EQ(clock.audibleFrame(1160, 100), 60u);
  EXPECT_EQ(clock.audibleFrame(1300, 100), 100u);
}

TEST(AudibleClock, NeverMovesBackwards) {
  AudibleClock clock(rate, ticksPerSecond);
  clock.handedOver(100, 1000);
  EXPECT_EQ(clock.audibleFrame(1090, 0), 90u);
  // A request timed just before the latest callback would read from before
  // that callback's start.
  clock.handedOver(100, 1095);
  EXPECT_EQ(clock.audibleFrame(1090, 0), 100u);
  EXPECT_EQ(clock.audibleFrame(1096, 0), 101u);
}

TEST(AudibleClock, CountsEveryFrameHandedOver) {
  AudibleClock clock(outputFrequency, 1'000'000'000);
  for (int i = 0; i < 10; ++i)
    clock.handedOver(1024, static_cast<std::uint64_t>(i) * 23'219'955);
  EXPECT_EQ(clock.framesHandedOver(), 10240u);
  // Half a buffer after the last callback, one buffer of latency behind.
  EXPECT_NEAR(static_cast<double>(*clock.audibleFrame(9 * 23'219'955ull + 11'609'977ull, 1024)),
              9216.0 - 1024.0 + 512.0, 1.0);
}

// Callbacks of 256 frames, one tick per frame, while the program thread
// reads: every answer is one a whole handover gives, within the frames handed
// over, and never earlier than the last.
TEST(AudibleClock, ReadsDuringCallbacksSeeWholeHandovers) {
  constexpr std::uint64_t buffer = 256;
  constexpr std::uint64_t callbacks = 400'000;
  AudibleClock clock(rate, ticksPerSecond);
  std::atomic<bool> done{false};
  std::atomic<long> reads{0};
  std::thread callback([&] {
    // Goes on until the reader has had its turns, however busy the machine.
    for (std::uint64_t k = 1; k <= callbacks || reads.load() < 1000; ++k)
      clock.handedOver(buffer, k * buffer);
    done.store(true);
  });

  std::uint64_t previous = 0;
  const auto readWhileCalledBack = [&] {
    while (!done.load()) {
      const std::uint64_t handed = clock.framesHandedOver();
      if (handed == 0)
        continue;
      const std::uint64_t now = handed + static_cast<std::uint64_t>(reads.load()) % buffer;
      const std::uint64_t audible = *clock.audibleFrame(now, 0);
      // Within the latest buffer at `now`, or the start of a later one.
      const bool whole = audible == now - buffer || audible % buffer == 0 || audible == previous;
      ASSERT_TRUE(whole) << audible << " at " << now;
      ASSERT_GE(audible, now - buffer);
      ASSERT_GE(audible, previous);
      ASSERT_LE(audible, clock.framesHandedOver());
      previous = audible;
      ++reads;
    }
  };
  readWhileCalledBack();
  reads.store(1000); // releases the callback after a failed check too
  callback.join();
  EXPECT_GE(clock.framesHandedOver(), callbacks * buffer);
}

TEST(AudibleClock, ALatencyThatChangesAsItPlaysNeverMovesThePositionBack) {
  // A sound server reports its latency as it goes: each request may bring
  // another. The position is the plain estimate behind that latency, held
  // where an earlier request already showed more.
  std::mt19937 random(15);
  for (int run = 0; run < 200; ++run) {
    AudibleClock clock(rate, ticksPerSecond);
    std::uint64_t before = 0, after = 0, callbackTicks = 0, now = 0, shown = 0;
    for (int step = 0; step < 100; ++step) {
      if (random() % 3 == 0) {
        before = after;
        after += 1 + random() % 200;
        callbackTicks = now;
        clock.handedOver(after - before, callbackTicks);
      }
      now += random() % 50;
      const auto latency = static_cast<std::uint32_t>(random() % 300);
      const std::optional<std::uint64_t> audible = clock.audibleFrame(now, latency);
      if (after == 0) {
        EXPECT_FALSE(audible.has_value());
        continue;
      }
      const std::uint64_t played = std::min(before + (now - callbackTicks), after);
      const std::uint64_t plain = played > latency ? played - latency : 0;
      shown = std::max(shown, plain);
      ASSERT_EQ(audible, shown) << "run " << run << ", step " << step;
    }
  }
}

// A server behind callbacks that hand it one or two buffers when it has room.
// It takes them in blocks, so a reading is half a block over or under, in a
// proportion of its own; a tenth come after another write, some are no reading.
// The guess given with the question no longer counts: within a millisecond.
TEST(AudibleClock, AServersReadingsPlaceTheListenerWhateverTheWritesAndBlocks) {
  constexpr double hz = outputFrequency;
  std::mt19937 random(15);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int run = 0; run < 300; ++run) {
    const double latency = 0.02 + 0.2 * unit(random), block = 0.001 + 0.015 * unit(random);
    const auto buffer = static_cast<std::uint64_t>(256 + 2048 * unit(random));
    const double over = 0.4 + 0.2 * unit(random), start = 1000.0 * unit(random);
    // Nanosecond ticks, as SDL's counter gives on Linux, from long after it began.
    const auto ticks = [&](double t) { return static_cast<std::uint64_t>((start + t) * 1e9); };
    AudibleClock clock(outputFrequency, 1'000'000'000);
    double handed = 0.0;
    for (int ms = 0, readings = 0; ms < 4500; ++ms) {
      const double t = ms / 1000.0, heard = std::max(0.0, (t - latency) * hz);
      while (handed - heard < latency * hz) {
        const std::uint64_t frames = buffer * (1 + random() % 2);
        handed += static_cast<double>(frames);
        clock.handedOver(frames, ticks(t));
      }
      if (ms < 250 || ms % 50 != 0) // asked every 50 ms once the server plays
        continue;
      const double late = ++readings % 10 == 0 ? static_cast<double>(buffer) : 0.0;
      const double side = std::fmod(readings * 0.6180339887, 1.0) < over ? 0.5 : -0.5;
      const double held = (handed - late - heard) / hz + side * block;
      clock.serverHeld(readings % 7 == 0 ? std::nan("") : held, ticks(t + 0.0005 * unit(random)));
      if (readings < 31)
        continue;
      const double asked = t + 0.02 * unit(random);
      ASSERT_NEAR(static_cast<double>(*clock.audibleFrame(ticks(asked), 99'999)),
                  (asked - latency) * hz, 0.001 * hz) << "run " << run << " at " << t;
    }
  }
}

} // namespace
