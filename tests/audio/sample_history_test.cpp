#include "audio/sample_history.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

std::vector<float> stereoRamp(std::size_t frames, float start) {
  std::vector<float> out;
  for (std::size_t i = 0; i < frames; ++i) {
    const float v = start + static_cast<float>(i);
    out.push_back(v - 0.5f); // left and right average to v
    out.push_back(v + 0.5f);
  }
  return out;
}

TEST(SampleHistory, KeepsTheMonoMixByStreamPosition) {
  SampleHistory history(16);
  history.appendStereo(stereoRamp(6, 0.0f).data(), 6);
  std::vector<float> out(4);
  history.copyEnding(5, out.data(), out.size());
  EXPECT_EQ(out, (std::vector<float>{1, 2, 3, 4}));
  EXPECT_EQ(history.framesWritten(), 6u);
}

TEST(SampleHistory, BeforeTheStartAndNotYetWrittenReadAsSilence) {
  SampleHistory history(16);
  history.appendStereo(stereoRamp(3, 10.0f).data(), 3);
  std::vector<float> out(5);
  history.copyEnding(2, out.data(), out.size());
  EXPECT_EQ(out, (std::vector<float>{0, 0, 0, 10, 11}));
  history.copyEnding(5, out.data(), out.size());
  EXPECT_EQ(out, (std::vector<float>{10, 11, 12, 0, 0}));
}

TEST(SampleHistory, OverwrittenFramesReadAsSilenceNotAsNewerOnes) {
  SampleHistory history(4);
  history.appendStereo(stereoRamp(10, 0.0f).data(), 10);
  std::vector<float> out(4);
  history.copyEnding(7, out.data(), out.size()); // frames 3..6; only 6 is still kept
  EXPECT_EQ(out, (std::vector<float>{0, 0, 0, 6}));
  history.copyEnding(10, out.data(), out.size());
  EXPECT_EQ(out, (std::vector<float>{6, 7, 8, 9}));
}

// The callback writes while the program thread copies windows: every copied
// frame is either the right one or, being too old, silence, and silence only
// ever comes before the frames that are still kept.
TEST(SampleHistory, WindowsCopiedDuringWritesAreExactOrSilentAtTheirStart) {
  constexpr std::size_t capacity = 2048;
  constexpr std::size_t window = 1024;
  constexpr std::uint64_t total = 6'000'000;
  const auto frameValue = [](std::uint64_t frame) {
    return static_cast<float>(frame % 65536 + 1); // exact in a float, never 0
  };
  SampleHistory history(capacity);
  std::atomic<bool> done{false};
  std::atomic<long> reads{0};
  std::thread writer([&] {
    std::vector<float> chunk;
    std::uint64_t next = 0;
    // Goes on until the reader has had its turns, however busy the machine.
    for (std::size_t size = 1; next < total || reads.load() < 1000; size = size % 700 + 37) {
      chunk.clear();
      for (std::size_t i = 0; i < size; ++i) {
        chunk.push_back(frameValue(next + i));
        chunk.push_back(frameValue(next + i));
      }
      history.appendStereo(chunk.data(), size);
      next += size;
    }
    done.store(true);
  });

  std::vector<float> out(window);
  long wholeWindows = 0;
  const auto readWhileWriting = [&] {
    while (!done.load()) {
      const std::uint64_t end = history.framesWritten();
      // Every other window reaches back to the oldest kept frames, the ones the
      // writer replaces next.
      const std::uint64_t asked =
          reads.load() % 2 == 0 && end > capacity ? end - capacity + window / 2 : end;
      history.copyEnding(asked, out.data(), window);
      std::size_t silent = 0;
      while (silent < window && out[silent] == 0.0f)
        ++silent;
      for (std::size_t i = silent; i < window; ++i) {
        ASSERT_EQ(out[i], frameValue(asked - window + i)) << "frame " << asked - window + i;
      }
      wholeWindows += silent == 0 && asked >= window ? 1 : 0;
      ++reads;
    }
  };
  readWhileWriting();
  reads.store(1000); // releases the writer after a failed check too
  writer.join();
  EXPECT_GT(wholeWindows, 0);
}

} // namespace
