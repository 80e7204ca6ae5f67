#pragma once
// Summaries of the colour factors over a stretch of music, for tuning the
// piece by the picture it will give.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "effect/colour_factors.h"

// The value below which `fraction` (0..1) of the values lie, by linear
// interpolation between the nearest ranks. 0 for no values.
double percentile(std::vector<float> values, double fraction);

// The finite readings of a meter sampled every `hop` frames (reading k ends at
// frame (k + 1) * hop) whose `window` lies wholly in [from, to).
std::vector<double> readingsIn(const std::vector<double>& series, std::int64_t hop,
                               std::int64_t window, std::int64_t from, std::int64_t to);

struct FactorSpread {
  double low, middle, high; // 10th, 50th and 90th percentiles
  double negativeShare;     // share of frames below zero
};

struct StretchSummary {
  std::size_t frames = 0;
  FactorSpread red{}, green{}, blue{};
};

class FactorCollector {
public:
  void add(const ColourFactors& factors);
  StretchSummary summary() const;
  void clear();

private:
  std::vector<float> red_, green_, blue_;
};
