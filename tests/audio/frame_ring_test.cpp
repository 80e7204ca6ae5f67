#include "audio/frame_ring.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

std::vector<float> frames(std::size_t count, float start) {
  std::vector<float> out;
  for (std::size_t i = 0; i < count; ++i) {
    out.push_back(start + static_cast<float>(i));
    out.push_back(-(start + static_cast<float>(i)));
  }
  return out;
}

TEST(FrameRing, GivesFramesBackInOrderAcrossTheWrap) {
  FrameRing ring(8);
  std::vector<float> out(2 * 8);
  for (int round = 0; round < 5; ++round) {
    const float start = static_cast<float>(round * 5);
    ASSERT_EQ(ring.write(frames(5, start).data(), 5), 5u);
    ASSERT_EQ(ring.read(out.data(), 8), 5u);
    EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 10), frames(5, start));
  }
}

TEST(FrameRing, TakesNoMoreThanItsCapacityAndGivesNoMoreThanItHolds) {
  FrameRing ring(6); // rounds up to 8
  EXPECT_EQ(ring.capacity(), 8u);
  EXPECT_EQ(ring.write(frames(12, 0).data(), 12), 8u);
  EXPECT_EQ(ring.freeFrames(), 0u);
  std::vector<float> out(2 * 12);
  EXPECT_EQ(ring.read(out.data(), 12), 8u);
  EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 16), frames(8, 0));
  EXPECT_EQ(ring.read(out.data(), 12), 0u);
}

TEST(FrameRing, AWriterAndAReaderOnTwoThreadsLoseAndReorderNothing) {
  FrameRing ring(64);
  constexpr std::size_t total = 200000;
  std::thread writer([&] {
    std::size_t sent = 0;
    while (sent < total) {
      const std::size_t n = std::min<std::size_t>(37, total - sent);
      sent += ring.write(frames(n, static_cast<float>(sent)).data(), n);
    }
  });
  std::size_t received = 0;
  bool inOrder = true;
  std::vector<float> out(2 * 50);
  while (received < total) {
    const std::size_t n = ring.read(out.data(), 50);
    for (std::size_t i = 0; i < n; ++i)
      inOrder = inOrder && out[2 * i] == static_cast<float>(received + i) &&
                out[2 * i + 1] == -static_cast<float>(received + i);
    received += n;
  }
  writer.join();
  EXPECT_TRUE(inOrder);
}

} // namespace
