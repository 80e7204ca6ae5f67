#include "audio/worklet_clock.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>

namespace {

TEST(WorkletClock, NothingBeforeTheWorkletHasPlayedOrTheOutputHasStarted) {
  WorkletClock clock(48000);
  EXPECT_FALSE(clock.audibleFrame({0, 0}, {1.0, 1000.0}, 1000.0));
  WorkletClock silentOutput(48000);
  EXPECT_FALSE(silentOutput.audibleFrame({512, 512}, {0.0, 0.0}, 1000.0));
  EXPECT_TRUE(silentOutput.audibleFrame({512, 512}, {0.001, 1000.0}, 1000.0));
}

// A simulated page at each context rate: the worklet plays from context frame
// `start` on, reports every four quanta, the output sounds each context frame
// `latency` seconds after the worklet rendered it and stamps its position at
// each output callback of 10 ms (for a moment up to 10 ms ahead, and one in
// twenty off by up to 60 ms), and the page asks at random moments, its
// messages late by up to a frame. The answer is what the output sounds, or
// what the worklet had played by the report when that is less, within a
// frame; so never ahead of the sound, and it never goes back.
TEST(WorkletClock, FollowsWhatTheOutputSoundsAtEveryContextRate) {
  std::mt19937 random(7);
  for (const std::uint32_t rate : {44100u, 48000u, 96000u}) {
    for (const double latency : {0.01, 0.04, 0.15}) {
      WorkletClock clock(rate);
      const double start = 0.3; // context seconds when playing starts
      std::uint64_t previous = 0;
      double seen = 0.0;
      std::uniform_real_distribution<double> ask(0.0, 0.02);
      std::uniform_real_distribution<double> lateness(0.0, 0.016);
      std::bernoulli_distribution ahead(0.3);
      std::bernoulli_distribution wild(0.05);
      std::uniform_real_distribution<double> miss(-60.0, 60.0);
      double lastCallback = -1.0;
      int stamps = 0;
      for (double page = start + latency + 0.05; page < 20.0; page += ask(random)) {
        // Page time 0 is context time 0 at the output: the output sounds
        // context time t at page time t + latency.
        const double sounding = page - latency;
        // The latest output stamp, from the callback before now or, as
        // chromium gives it, for the next one.
        const double callback = std::floor(page / 0.01) * 0.01 + (ahead(random) ? 0.01 : 0.0);
        // Now and then, once it has a few, a stamp that misses by tens of ms.
        OutputTimestamp output{callback - latency, callback * 1000.0};
        if (callback != lastCallback && ++stamps > 8 && wild(random))
          output.pageMilliseconds += miss(random);
        lastCallback = callback;
        // The latest report the page has seen: the worklet renders `latency`
        // ahead of the output, in quanta of 128, reporting every fourth.
        seen = std::max(seen, page - lateness(random)); // reports come in order
        const auto rendered = static_cast<std::uint64_t>((seen - start) * rate) / 512 * 512;
        const WorkletReport report{rendered, static_cast<std::uint64_t>(start * rate) + rendered};
        const auto audible = clock.audibleFrame(report, output, page * 1000.0);
        ASSERT_TRUE(audible);
        const double truth = std::min((sounding - start) * rate, static_cast<double>(rendered));
        ASSERT_LE(static_cast<double>(*audible), truth + 1.0)
            << rate << " Hz, latency " << latency << ", at " << page << " s";
        ASSERT_GE(static_cast<double>(*audible), truth - 1.0)
            << rate << " Hz, latency " << latency << ", at " << page << " s";
        ASSERT_GE(*audible, previous);
        previous = *audible;
      }
    }
  }
}

TEST(WorkletClock, WaitsAtWhatWasPlayedWhenTheWorkletStops) {
  WorkletClock clock(44100);
  // 4410 frames played up to context frame 10000; the output is long past them.
  const WorkletReport report{4410, 10000};
  EXPECT_EQ(clock.audibleFrame(report, {1.0, 1000.0}, 5000.0), 4410u);
  // ... and half of them still queued ahead of the output.
  WorkletClock later(44100);
  const double sounding = (10000.0 - 2205.0) / 44100.0;
  EXPECT_EQ(later.audibleFrame(report, {sounding, 1000.0}, 1000.0), 2205u);
}

} // namespace
