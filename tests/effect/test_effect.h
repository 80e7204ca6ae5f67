#pragma once
// The tests' one effect, kept in static storage as the show keeps its own,
// and a way back to where a fresh run starts.

#include "effect/effect_state.h"

inline EffectState& testEffect() {
  static EffectState effect;
  return effect;
}

// Everything but the pictures, which tests set up as they need.
inline void resetEffectState(EffectState& effect) {
  effect.randomState = randomSeed;
  fillNoiseTable(effect.noiseTable, effect.randomState);
  effect.colourFactors = ColourFactors{};
  effect.frameCursor = 0;
  effect.timeCursor = 0;
  effect.lastRed = 0;
  effect.lastGreen = 0;
  effect.lastBlue = 0;
}

inline void clearImageBank(EffectState& effect) {
  for (Image& image : effect.imageBank) {
    image.fill(0);
  }
}
