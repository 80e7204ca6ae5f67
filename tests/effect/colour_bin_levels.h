#pragma once
// Levels for the spectrum bins the colour factors read, by what each does,
// written into a spectrum the tests hand to the show, the frame tool or the
// factors themselves.

#include <cstddef>

#include "effect/colour_factors.h"

// In the order of colourBins, lowest bin first.
struct ColourBinLevels {
  float deep = 0.0f;
  float low = 0.0f;
  float lowMid = 0.0f;
  float redCut = 0.0f;
  float blueCut = 0.0f;
  float greenCut = 0.0f;
  float air = 0.0f;
};

// Sets the seven bins; every other bin keeps its value.
inline void setColourBins(float* spectrum, const ColourBinLevels& levels) {
  spectrum[deepBin] = levels.deep;
  spectrum[lowBin] = levels.low;
  spectrum[lowMidBin] = levels.lowMid;
  spectrum[redCutBin] = levels.redCut;
  spectrum[blueCutBin] = levels.blueCut;
  spectrum[greenCutBin] = levels.greenCut;
  spectrum[airBin] = levels.air;
}
