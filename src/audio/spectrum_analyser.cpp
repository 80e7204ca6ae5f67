#include "audio/spectrum_analyser.h"

// A periodic Hann window's coefficients sum to windowSize / 2, so a sine of
// amplitude 1 on a bin transforms to windowSize / 4 there; the window is scaled
// down by that over the reading wanted.
SpectrumAnalyser::SpectrumAnalyser()
    : transform_(windowSize, static_cast<double>(windowSize) / 4.0 / fullScaleSineReading) {}

void SpectrumAnalyser::analyse(const float* samples, float* magnitudes) {
  transform_.transform(samples);
  transform_.magnitudes(magnitudes, binCount);
}
