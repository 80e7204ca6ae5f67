#include "audio/audible_clock.h"

#include <gtest/gtest.h>

namespace {

// One tick per frame keeps the arithmetic readable.
constexpr std::uint32_t rate = 1000;
constexpr std::uint64_t ticksPerSecond = 1000;

TEST(AudibleClock, NothingIsAudibleBeforeTheFirstCallback) {
  AudibleClock clock(rate, ticksPerSecond, 0);
  EXPECT_FALSE(clock.audibleFrame(5000).has_value());
}

TEST(AudibleClock, AdvancesWithTimeWithinTheLatestBuffer) {
  AudibleClock clock(rate, ticksPerSecond, 0);
  clock.handedOver(100, 1000);
  EXPECT_EQ(clock.audibleFrame(1000), 0u);
  EXPECT_EQ(clock.audibleFrame(1040), 40u);
  clock.handedOver(100, 1100);
  EXPECT_EQ(clock.audibleFrame(1125), 125u);
}

TEST(AudibleClock, NeverPassesWhatWasHandedOver) {
  AudibleClock clock(rate, ticksPerSecond, 0);
  clock.handedOver(100, 1000);
  // The device stopped calling back (unplugged, paused): the position waits.
  EXPECT_EQ(clock.audibleFrame(1500), 100u);
  EXPECT_EQ(clock.audibleFrame(1'000'000'000), 100u);
}

TEST(AudibleClock, StaysBehindByTheDeviceLatency) {
  AudibleClock clock(rate, ticksPerSecond, 100);
  clock.handedOver(100, 1000);
  EXPECT_EQ(clock.audibleFrame(1050), 0u);
  clock.handedOver(100, 1100);
  EXPECT_EQ(clock.audibleFrame(1100), 0u);
  EXPECT_EQ(clock.audibleFrame(1160), 60u);
  EXPECT_EQ(clock.audibleFrame(1300), 100u);
}

TEST(AudibleClock, NeverMovesBackwards) {
  AudibleClock clock(rate, ticksPerSecond, 0);
  clock.handedOver(100, 1000);
  EXPECT_EQ(clock.audibleFrame(1090), 90u);
  // A request timed just before the latest callback would read from before
  // that callback's start.
  clock.handedOver(100, 1095);
  EXPECT_EQ(clock.audibleFrame(1090), 100u);
  EXPECT_EQ(clock.audibleFrame(1096), 101u);
}

TEST(AudibleClock, CountsEveryFrameHandedOver) {
  AudibleClock clock(44100, 1'000'000'000, 1024);
  for (int i = 0; i < 10; ++i)
    clock.handedOver(1024, static_cast<std::uint64_t>(i) * 23'219'955);
  EXPECT_EQ(clock.framesHandedOver(), 10240u);
  // Half a buffer after the last callback, one buffer of latency behind.
  EXPECT_NEAR(static_cast<double>(*clock.audibleFrame(9 * 23'219'955ull + 11'609'977ull)),
              9216.0 - 1024.0 + 512.0, 1.0);
}

} // namespace
