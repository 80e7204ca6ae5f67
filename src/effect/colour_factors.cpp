#include "effect/colour_factors.h"

namespace {

// Widened before any arithmetic so every sum is formed in double precision,
// left to right.
double bin(const float* spectrum, std::size_t index) {
  return static_cast<double>(spectrum[index]);
}

} // namespace

ColourFactors computeColourFactors(const float* spectrum) {
  const double deep = bin(spectrum, deepBin);
  const double low = bin(spectrum, lowBin);
  const double air = bin(spectrum, airBin);
  const double red = low + deep - bin(spectrum, redCutBin) + air;
  const double green =
      (bin(spectrum, lowMidBin) + low) * 0.5 + deep - bin(spectrum, greenCutBin) + air;
  const double blue = low + deep - bin(spectrum, blueCutBin) + air;
  // Sums beyond the float range become infinities (IEEE narrowing), which the
  // composition turns into black samples.
  return ColourFactors{static_cast<float>(red), static_cast<float>(green),
                       static_cast<float>(blue)};
}
