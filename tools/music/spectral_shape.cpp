#include "music/spectral_shape.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

double decibels(double power) {
  return power > 0.0 ? 10.0 * std::log10(power) : -HUGE_VAL;
}

} // namespace

double bandLevel(const StretchSpectrum& spectrum, double lowHz, double highHz) {
  return decibels(spectrum.bandPower(lowHz, highHz));
}

double octaveLevel(const StretchSpectrum& spectrum, double centreHz) {
  return bandLevel(spectrum, centreHz / std::numbers::sqrt2, centreHz * std::numbers::sqrt2);
}

TiltFit octaveTilt(const StretchSpectrum& spectrum, double fromHz, double toHz) {
  std::vector<double> xs, ys;
  for (int k = -6; k <= 5; ++k) {
    const double centre = 1000.0 * std::exp2(k);
    const double level = octaveLevel(spectrum, centre);
    if (centre >= fromHz * 0.99 && centre <= toHz * 1.01 && std::isfinite(level)) {
      xs.push_back(k);
      ys.push_back(level);
    }
  }
  TiltFit fit;
  if (xs.size() < 3)
    return fit;
  const auto n = static_cast<double>(xs.size());
  double mx = 0.0, my = 0.0;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    mx += xs[i] / n;
    my += ys[i] / n;
  }
  double sxy = 0.0, sxx = 0.0;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    sxy += (xs[i] - mx) * (ys[i] - my);
    sxx += (xs[i] - mx) * (xs[i] - mx);
  }
  const double slope = sxy / sxx;
  fit.bump = -HUGE_VAL;
  fit.dip = HUGE_VAL;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    const double off = ys[i] - (my + slope * (xs[i] - mx));
    if (off > fit.bump) {
      fit.bump = off;
      fit.bumpHz = 1000.0 * std::exp2(xs[i]);
    }
    if (off < fit.dip) {
      fit.dip = off;
      fit.dipHz = 1000.0 * std::exp2(xs[i]);
    }
  }
  return fit;
}

double sideOverMid(const StretchSpectrum& spectrum, double lowHz, double highHz) {
  const StretchSpectrum::Sums band = spectrum.sums(lowHz, highHz);
  const double mid = band.left + band.right + 2.0 * band.cross;
  const double side = band.left + band.right - 2.0 * band.cross;
  if (mid <= 0.0)
    return side > 0.0 ? HUGE_VAL : -HUGE_VAL;
  return decibels(std::max(0.0, side) / mid);
}
