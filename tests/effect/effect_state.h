#pragma once
// Puts the effect's process-wide state back where a fresh run starts, so each
// test draws from the generator as the show does.

#include <cstdint>

#include "effect/colour_factors.h"
#include "effect/frame_composition.h"
#include "effect/noise_table.h"
#include "effect/random.h"
#include "images/image_bank.h"

inline void resetEffectState() {
  randomState = 1;
  fillNoiseTable();
  colourFactors = ColourFactors{};
  frameCursor = 0;
  timeCursor = 0;
  lastRed = 0;
  lastGreen = 0;
  lastBlue = 0;
}

inline void clearImageBank() {
  for (Image& image : imageBank) {
    image.fill(0);
  }
}
