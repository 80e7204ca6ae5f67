// A run started at frame N draws what a run from the first frame draws there:
// the step to frame N is checked against drawing the frames before it.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "effect/effect_state.h"
#include "effect/frame_composition.h"
#include "effect/noise_table.h"
#include "effect/pixel.h"
#include "images/image_bank.h"

namespace {

// Too large for a stack, as the show's own state.
EffectState fromTheStart;
EffectState startedLater;
ImageBank decoded;

using Frame = std::vector<std::uint32_t>;

Frame drawFrame(EffectState& state, std::uint64_t frame) {
  const auto elapsed = static_cast<std::uint32_t>(frame * 1000 / 60);
  state.colourFactors = ColourFactors{0.5f + static_cast<float>(frame % 7), 1.25f, -0.75f};
  startFrameCounters(state, elapsed);
  Frame pixels(static_cast<std::size_t>(frameWidth) * frameHeight, 0);
  composeFrame(state, pixels.data());
  return pixels;
}

TEST(StartAtFrame, StandsWhereDrawingTheFramesBeforeLeavesTheShow) {
  loadImageBank(decoded);
  // A run from the start: the levels and the noise table before the first frame.
  fromTheStart.imageBank = decoded;
  applyLevelTransform(fromTheStart.imageBank);
  fillNoiseTable(fromTheStart.noiseTable, fromTheStart.randomState);
  std::uint64_t drawn = 0;
  for (const std::uint64_t frame : {0u, 1u, 2u, 3u, 17u, 79u, 80u, 158u}) {
    while (drawn < frame)
      drawFrame(fromTheStart, drawn++);
    startedLater.imageBank = decoded;
    startedLater.randomState = randomSeed;
    startAtFrame(startedLater, frame);
    ASSERT_EQ(startedLater.randomState, fromTheStart.randomState) << "frame " << frame;
    ASSERT_EQ(startedLater.noiseTable, fromTheStart.noiseTable) << "frame " << frame;
    ASSERT_TRUE(startedLater.imageBank == fromTheStart.imageBank) << "frame " << frame;
    // And the frame itself is the same, pixel for pixel.
    ASSERT_TRUE(drawFrame(startedLater, frame) == drawFrame(fromTheStart, drawn++))
        << "frame " << frame;
  }
}

} // namespace
