#pragma once
// The spectrum gain that puts a track's picture at the brightness the
// colour factors are made for. The show's own music is mastered so that the
// factors of its loudest passages read about 1; a quiet or a hot track is
// measured over its own loudest passages and scaled to read the same. The
// factors are sums and differences of spectrum bins, so a gain on the
// spectrum is the same gain on every factor.

#include <cstdint>

#include "audio/decoded_track.h"

struct TrackFit {
  double gain = 1.0;          // applied to every spectrum magnitude
  double loudestFactor = 0.0; // the loudest passages' median strongest factor, before the gain
  double loudestShare = 0.0;  // of the track's windows counted as its loudest passages
};

// Gains this close to 1 (in dB) are taken as 1, so that music mastered like
// the show's own keeps its exact arithmetic.
inline constexpr double fitDeadZoneDb = 0.5;
// Silence or near-silence is left as it is rather than raised without end.
inline constexpr double largestFitGainDb = 40.0;

TrackFit fitTrack(const DecodedTrack& track);

double decibels(double gain);
