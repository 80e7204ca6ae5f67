#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/clock.h"
#include "platform/millisecond_counter.h"

namespace {

using std::chrono::milliseconds;

TEST(ClockTest, CounterKeepsTheLow32Bits) {
  constexpr std::int64_t wrap = std::int64_t{1} << 32;
  EXPECT_EQ(millisecondCounter(milliseconds(0)), 0u);
  EXPECT_EQ(millisecondCounter(milliseconds(wrap - 1)), 0xFFFFFFFFu);
  EXPECT_EQ(millisecondCounter(milliseconds(wrap)), 0u);
  EXPECT_EQ(millisecondCounter(milliseconds(wrap + 5)), 5u);
  EXPECT_EQ(millisecondCounter(milliseconds(3 * wrap + 1234)), 1234u);
}

TEST(ClockTest, DifferencesAcrossTheWrapStayRight) {
  constexpr std::int64_t wrap = std::int64_t{1} << 32;
  const DWORD before = millisecondCounter(milliseconds(wrap - 10));
  const DWORD after = millisecondCounter(milliseconds(wrap + 10));
  EXPECT_EQ(static_cast<DWORD>(after - before), 20u);
}

TEST(ClockTest, FollowsTheSteadyClockInMilliseconds) {
  const auto steadyMs = [] {
    return std::chrono::duration_cast<milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  };
  const std::int64_t from = steadyMs();
  const DWORD first = timeGetTime();
  std::this_thread::sleep_for(milliseconds(25));
  const DWORD second = timeGetTime();
  const std::int64_t to = steadyMs();

  const DWORD passed = second - first;
  EXPECT_GE(passed, 25u);
  EXPECT_LE(passed, static_cast<DWORD>(to - from));
  EXPECT_EQ(static_cast<DWORD>(first - millisecondCounter(milliseconds(from))) <=
                static_cast<DWORD>(to - from),
            true);
}

TEST(ClockTest, NeverRunsBackwards) {
  DWORD previous = timeGetTime();
  for (int i = 0; i < 10000; ++i) {
    const DWORD now = timeGetTime();
    ASSERT_LT(static_cast<DWORD>(now - previous), 0x80000000u);
    previous = now;
  }
}

} // namespace
