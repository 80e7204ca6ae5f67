#pragma once
// The shape of a stretch's spectrum as a mastering engineer reads it: levels
// of bands and octaves, how far the octaves stray from the spectrum's straight
// tilt, and how wide each band is, as side against mid.

#include "music/mix_measures.h"

// Both channels' power in [lowHz, highHz), dB; -inf for silence.
double bandLevel(const StretchSpectrum& spectrum, double lowHz, double highHz);

// The octave centred on `centreHz` (from centre / sqrt 2 to centre * sqrt 2), dB.
double octaveLevel(const StretchSpectrum& spectrum, double centreHz);

// The octaves centred on 1 kHz times powers of two from `fromHz` to `toHz`,
// against the least-squares line through their levels over log frequency:
// the largest rise over the line and the deepest fall under it, dB, and the
// centres they lie at.
struct TiltFit {
  double bump = 0.0, dip = 0.0;
  double bumpHz = 0.0, dipHz = 0.0;
};
TiltFit octaveTilt(const StretchSpectrum& spectrum, double fromHz = 125.0, double toHz = 8000.0);

// The power of (L - R) / 2 over that of (L + R) / 2 in [lowHz, highHz), dB:
// -inf for identical channels, 0 for unrelated ones of equal level.
double sideOverMid(const StretchSpectrum& spectrum, double lowHz, double highHz);
