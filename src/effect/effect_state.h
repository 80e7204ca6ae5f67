#pragma once
// Everything the effect reads and writes, in one place: the pictures, the
// noise table and the generator that fills it, this frame's factors, the
// sample counters and the last noise colour. The show keeps one instance for
// the whole run; at over 20 MB it belongs in static storage, never on a stack.

#include <cstdint>

#include "effect/colour_factors.h"
#include "effect/noise_table.h"
#include "effect/random.h"
#include "effect/row_kernels.h"
#include "images/image_bank.h"

struct EffectState {
  ImageBank imageBank{};
  NoiseTable noiseTable{};
  std::uint32_t randomState = randomSeed;
  ColourFactors colourFactors;
  // Sample counters, set by the frame loop before each frame and advanced
  // once per noise sample; and the colour of the last noise pixel drawn.
  std::int32_t frameCursor = 0;
  std::int32_t timeCursor = 0;
  std::int32_t lastRed = 0;
  std::int32_t lastGreen = 0;
  std::int32_t lastBlue = 0;
  // What the fast composition draws its rows with: the widest set until
  // start-up has timed them (setCompositionKernels).
  RowKernels kernels = widestRowKernels();
};

// Brings a state whose pictures are loaded and whose generator is at its seed
// to where the show stands before it draws frame `frame` (0 = its first):
// the pictures at their levels, the noise table filled, and the picture
// choices of the frames before drawn. The counters are set at each frame's
// start (startFrameCounters), from the frame's own moment.
void startAtFrame(EffectState& state, std::uint64_t frame);
