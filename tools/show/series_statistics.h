#pragma once
// Figures of a per-frame series: how strongly it repeats after a lag, where
// its brightest and darkest stretches lie, and how far a set of hues spreads
// around the colour wheel.

#include <cstddef>
#include <span>
#include <vector>

#include "show/frame_light.h"

// Pearson correlation of the series with itself `lag` values later; 0 when
// either side does not vary or there are fewer than three pairs.
double lagCorrelation(std::span<const double> values, std::size_t lag);

// The same over several stretches at once (each a section of the show): each
// stretch's pairs are taken about its own mean, so that stretches of
// different brightness do not pass for a repeat.
double pooledLagCorrelation(const std::vector<std::span<const double>>& stretches, std::size_t lag);

struct Stretch {
  double mean = 0.0;
  std::size_t first = 0; // index of its first value
};
struct StretchExtremes {
  Stretch brightest, darkest;
};
// The highest and lowest mean of `length` consecutive values; both empty
// (mean 0, first 0) when the series is shorter than that.
StretchExtremes stretchExtremes(std::span<const double> values, std::size_t length);

// The width, in degrees, of the narrowest arc of the colour wheel that holds
// 90 % of the tints, each weighed by its chroma, so that a faint tint counts
// for little; 0 for no tints. Two tints opposite on the wheel give about 180.
double hueSpread(std::vector<Tint> tints);
