#include "show/series_statistics.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double degreesPerTurn = 360.0;
constexpr double middleShare = 0.9;

double meanOf(std::span<const double> values) {
  double sum = 0.0;
  for (const double v : values)
    sum += v;
  return values.empty() ? 0.0 : sum / static_cast<double>(values.size());
}

struct PairSums {
  double cross = 0.0, early = 0.0, late = 0.0;
  std::size_t pairs = 0;

  // The pairs of one stretch, each side about its own mean.
  void add(std::span<const double> values, std::size_t lag) {
    if (values.size() <= lag)
      return;
    const std::size_t n = values.size() - lag;
    const double earlyMean = meanOf(values.first(n));
    const double lateMean = meanOf(values.last(n));
    for (std::size_t t = 0; t < n; ++t) {
      const double a = values[t] - earlyMean;
      const double b = values[t + lag] - lateMean;
      cross += a * b;
      early += a * a;
      late += b * b;
    }
    pairs += n;
  }

  double correlation() const {
    if (pairs < 3 || early <= 0.0 || late <= 0.0)
      return 0.0;
    return cross / std::sqrt(early * late);
  }
};

} // namespace

double lagCorrelation(std::span<const double> values, std::size_t lag) {
  PairSums sums;
  sums.add(values, lag);
  return sums.correlation();
}

double pooledLagCorrelation(const std::vector<std::span<const double>>& stretches,
                            std::size_t lag) {
  PairSums sums;
  for (const auto stretch : stretches)
    sums.add(stretch, lag);
  return sums.correlation();
}

StretchExtremes stretchExtremes(std::span<const double> values, std::size_t length) {
  StretchExtremes extremes;
  if (length == 0 || values.size() < length)
    return extremes;
  // Running sums: a window's sum is one subtraction, whatever its length.
  std::vector<double> before(values.size() + 1, 0.0);
  for (std::size_t k = 0; k < values.size(); ++k)
    before[k + 1] = before[k] + values[k];
  const auto meanFrom = [&](std::size_t first) {
    return (before[first + length] - before[first]) / static_cast<double>(length);
  };
  extremes.brightest = extremes.darkest = Stretch{meanFrom(0), 0};
  for (std::size_t first = 1; first + length <= values.size(); ++first) {
    const double mean = meanFrom(first);
    if (mean > extremes.brightest.mean)
      extremes.brightest = Stretch{mean, first};
    if (mean < extremes.darkest.mean)
      extremes.darkest = Stretch{mean, first};
  }
  return extremes;
}

double hueSpread(std::vector<Tint> tints) {
  if (tints.empty())
    return 0.0;
  std::sort(tints.begin(), tints.end(), [](const Tint& a, const Tint& b) { return a.hue < b.hue; });
  double total = 0.0;
  for (const Tint& t : tints)
    total += t.chroma;
  const double wanted = middleShare * total;
  // Arcs start at each tint and run on, once round the wheel at most; the
  // end moves only forward as the start does.
  const std::size_t n = tints.size();
  const auto at = [&](std::size_t k) { return tints[k % n]; };
  const auto hueAt = [&](std::size_t k) { return at(k).hue + (k >= n ? degreesPerTurn : 0.0); };
  double narrowest = degreesPerTurn;
  double held = 0.0;
  std::size_t end = 0; // one past the last tint in the arc
  for (std::size_t first = 0; first < n; ++first) {
    while (end < first + n && held < wanted)
      held += at(end++).chroma;
    if (held >= wanted)
      narrowest = std::min(narrowest, hueAt(end - 1) - hueAt(first));
    held -= at(first).chroma;
  }
  return narrowest;
}
