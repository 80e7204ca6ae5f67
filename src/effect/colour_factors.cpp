#include "effect/colour_factors.h"

namespace {

// Widened before any arithmetic so every sum is formed in double precision,
// left to right.
double bin(const float* spectrum, int index) {
  return static_cast<double>(spectrum[index]);
}

} // namespace

ColourFactors computeColourFactors(const float* spectrum) {
  const double red = bin(spectrum, 10) + bin(spectrum, 1) - bin(spectrum, 50) + bin(spectrum, 500);
  const double green = (bin(spectrum, 20) + bin(spectrum, 10)) * 0.5 + bin(spectrum, 1) -
                       bin(spectrum, 150) + bin(spectrum, 500);
  const double blue =
      bin(spectrum, 10) + bin(spectrum, 1) - bin(spectrum, 100) + bin(spectrum, 500);
  // Sums beyond the float range become infinities (IEEE narrowing), which the
  // composition turns into black samples.
  return ColourFactors{static_cast<float>(red), static_cast<float>(green),
                       static_cast<float>(blue)};
}
