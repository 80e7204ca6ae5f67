#include "audio/sample_history.h"

#include <gtest/gtest.h>
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

} // namespace
