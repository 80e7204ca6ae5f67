#include "effect/effect_state.h"

void startAtFrame(EffectState& state, std::uint64_t frame) {
  applyLevelTransform(state.imageBank);
  fillNoiseTable(state.noiseTable, state.randomState);
  // Each frame draws one output: its picture's index.
  skipRandom(state.randomState, frame);
}
