#include "music/factor_statistics.h"

#include <algorithm>
#include <cmath>

double percentile(std::vector<float> values, double fraction) {
  if (values.empty())
    return 0.0;
  std::sort(values.begin(), values.end());
  const double rank = std::clamp(fraction, 0.0, 1.0) * static_cast<double>(values.size() - 1);
  const auto below = static_cast<std::size_t>(std::floor(rank));
  const std::size_t above = std::min(below + 1, values.size() - 1);
  const double weight = rank - static_cast<double>(below);
  return static_cast<double>(values[below]) * (1.0 - weight) +
         static_cast<double>(values[above]) * weight;
}

namespace {

FactorSpread spreadOf(const std::vector<float>& values) {
  const auto negative = std::count_if(values.begin(), values.end(), [](float v) { return v < 0; });
  const double share =
      values.empty() ? 0.0 : static_cast<double>(negative) / static_cast<double>(values.size());
  return {percentile(values, 0.1), percentile(values, 0.5), percentile(values, 0.9), share};
}

} // namespace

void FactorCollector::add(const ColourFactors& factors) {
  red_.push_back(factors.redFactor);
  green_.push_back(factors.greenFactor);
  blue_.push_back(factors.blueFactor);
}

StretchSummary FactorCollector::summary() const {
  return {red_.size(), spreadOf(red_), spreadOf(green_), spreadOf(blue_)};
}

void FactorCollector::clear() {
  red_.clear();
  green_.clear();
  blue_.clear();
}

std::vector<double> readingsIn(const std::vector<double>& series, std::int64_t hop,
                               std::int64_t window, std::int64_t from, std::int64_t to) {
  std::vector<double> readings;
  for (std::size_t k = 0; k < series.size(); ++k) {
    const auto end = static_cast<std::int64_t>(k + 1) * hop;
    if (end - window >= from && end <= to && std::isfinite(series[k]))
      readings.push_back(series[k]);
  }
  return readings;
}
