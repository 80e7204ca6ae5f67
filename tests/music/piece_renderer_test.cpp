// The mixer: stretches that join seamlessly, across the loop's end too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "music/piece_renderer.h"
#include "music/score.h"

namespace {

const Score& piece() {
  static const Score score = composeScore(pieceSeed);
  return score;
}

} // namespace

TEST(PieceRendererTest, StretchesJoinSeamlesslyAndRenderTheSame) {
  const PieceRenderer renderer(piece());
  for (const std::int64_t start : {std::int64_t{0}, std::int64_t{2712345}, piece().frames - 9000}) {
    const MixBuses whole = renderer.render(start, 9000);
    const MixBuses first = renderer.render(start, 4321);
    const MixBuses second = renderer.render(start + 4321, 9000 - 4321);
    double energy = 0.0;
    for (std::size_t i = 0; i < whole.dry.size(); ++i) {
      const float joined = i < first.dry.size() ? first.dry[i] : second.dry[i - first.dry.size()];
      ASSERT_EQ(whole.dry[i], joined) << start << " at " << i;
      energy += whole.dry[i] * whole.dry[i];
    }
    EXPECT_GT(energy, 0.0) << start;
    EXPECT_EQ(renderer.render(start, 9000).reverb, whole.reverb);
  }
}

TEST(PieceRendererTest, WhatRingsPastTheEndSoundsAtTheStart) {
  Score ending;
  ending.frames = 441000;
  const std::int64_t before = 8820; // 0.2 s before the end
  ending.notes.push_back({Voice::pad, ending.frames - before, 4410, 57, 0.8, 0, 0.5, 7});
  Score early = ending;
  early.notes.front().start = -before;
  const MixBuses wrapped = PieceRenderer(ending).render(0, 20000);
  const MixBuses direct = PieceRenderer(early).render(0, 20000);
  EXPECT_EQ(wrapped.dry, direct.dry);
  EXPECT_GT(*std::max_element(wrapped.dry.begin(), wrapped.dry.end()), 0.001f);
}
