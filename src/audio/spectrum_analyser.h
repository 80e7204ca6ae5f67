#pragma once
// Magnitudes of a Hann-windowed 1024-sample real transform, scaled so that a
// full-scale sine centred on a bin reads 4.0 there (a -12 dBFS sine 1.0) and
// silence reads 0. In mastered music no single partial stays much above
// -12 dBFS, so the strongest content, a kick's fundamental or the bass, reads
// about 1: the order the colour factors are made for.

#include <cstddef>

#include "audio/real_transform.h"

class SpectrumAnalyser {
public:
  static constexpr std::size_t windowSize = 1024;
  static constexpr std::size_t binCount = windowSize / 2;
  // What a sine of amplitude 1 centred on a bin reads there.
  static constexpr double fullScaleSineReading = 4.0;

  SpectrumAnalyser();

  // samples: windowSize values, oldest first. magnitudes: binCount values.
  void analyse(const float* samples, float* magnitudes);

private:
  RealTransform transform_;
};
