#include "music/track_analysis.h"

#include <algorithm>
#include <cmath>

#include "audio/real_transform.h"

namespace {

constexpr std::size_t quarterSecondBlock = 11024; // 4 Hz slices at 44.1 kHz
constexpr double standOut = 31.6;                 // 15 dB
constexpr double neighbourhoodHz = 100.0;
constexpr std::size_t chromaWindow = 16384;

} // namespace

PowerSpectrum::PowerSpectrum(std::size_t size) : transform_(size), power_(transform_.binCount()) {}

const std::vector<double>& PowerSpectrum::at(const std::vector<float>& mono, std::int64_t start) {
  float* input = transform_.input();
  for (std::size_t n = 0; n < transform_.size(); ++n) {
    const std::int64_t i = start + static_cast<std::int64_t>(n);
    input[n] = i >= 0 && i < static_cast<std::int64_t>(mono.size())
                   ? mono[static_cast<std::size_t>(i)]
                   : 0.0f;
  }
  transform_.transform();
  transform_.powers(power_);
  return power_;
}

HeldTones measureHeldTones(const std::vector<float>& mono, double rate) {
  PowerSpectrum spectrum(quarterSecondBlock);
  const double binHz = rate / static_cast<double>(quarterSecondBlock);
  const auto low = static_cast<std::size_t>(std::ceil(250.0 / binHz));
  const auto high = static_cast<std::size_t>(std::floor(4000.0 / binHz));
  const auto reach = static_cast<std::size_t>(neighbourhoodHz / binHz);
  std::vector<double> second(high + 1, 0.0), neighbours;
  std::vector<int> run(high + 2, 0), nextRun(high + 2, 0);
  std::vector<char> stands(high + 2, 0);
  HeldTones result;
  int seconds = 0, dominated = 0, longest = 0;
  std::size_t longestBin = 0;
  std::size_t block = 0;
  for (std::int64_t start = 0; start + static_cast<std::int64_t>(quarterSecondBlock) <=
                               static_cast<std::int64_t>(mono.size());
       start += static_cast<std::int64_t>(quarterSecondBlock), ++block) {
    const std::vector<double>& power = spectrum.at(mono, start);
    double loudest = 0.0;
    for (std::size_t k = low; k <= high; ++k) {
      second[k] += power[k];
      loudest = std::max(loudest, power[k]);
    }
    // Which partials stand out of their neighbourhood in this quarter second.
    std::fill(stands.begin(), stands.end(), 0);
    for (std::size_t k = low; k <= high; ++k) {
      if (power[k] < 1e-4 * loudest || power[k] < power[k - 1] || power[k] < power[k + 1])
        continue;
      neighbours.assign(power.begin() + static_cast<std::ptrdiff_t>(k - reach),
                        power.begin() + static_cast<std::ptrdiff_t>(k + reach + 1));
      auto middle = neighbours.begin() + static_cast<std::ptrdiff_t>(reach);
      std::nth_element(neighbours.begin(), middle, neighbours.end());
      stands[k] = power[k] > standOut * *middle;
    }
    // A tone may drift by a slice from one quarter second to the next.
    for (std::size_t k = low; k <= high; ++k) {
      nextRun[k] = stands[k - 1] || stands[k] || stands[k + 1]
                       ? std::max({run[k - 1], run[k], run[k + 1]}) + 1
                       : 0;
      if (nextRun[k] > longest && stands[k]) {
        longest = nextRun[k];
        longestBin = k;
        result.longestEnds = static_cast<double>(start) / rate + 0.25;
      }
    }
    std::swap(run, nextRun);
    if (block % 4 == 3) {
      double total = 0.0, strongest = 0.0;
      for (std::size_t k = low; k <= high; ++k) {
        total += second[k];
        strongest = std::max(strongest, second[k]);
      }
      if (total > 0.0) {
        ++seconds;
        dominated += strongest > 0.25 * total;
        result.dominated.push_back(strongest > 0.25 * total);
      } else {
        result.dominated.push_back(0);
      }
      std::fill(second.begin(), second.end(), 0.0);
    }
  }
  result.dominatedSeconds = seconds > 0 ? static_cast<double>(dominated) / seconds : 0.0;
  result.longestSeconds = 0.25 * longest;
  result.longestHz = static_cast<double>(longestBin) * binHz;
  return result;
}

Chroma chromaOf(const std::vector<float>& mono, double rate, std::int64_t from, std::int64_t to) {
  PowerSpectrum spectrum(chromaWindow);
  const auto size = static_cast<std::int64_t>(chromaWindow);
  const double binHz = rate / static_cast<double>(chromaWindow);
  Chroma chroma{};
  // One window centred on a short stretch; overlapping windows over a long one.
  std::int64_t start = to - from < size ? (from + to - size) / 2 : from;
  do {
    const std::vector<double>& power = spectrum.at(mono, start);
    for (std::size_t k = 1; k < power.size(); ++k) {
      const double hz = static_cast<double>(k) * binHz;
      if (hz < 55.0 || hz > 2000.0)
        continue;
      const long semitones = std::lround(12.0 * std::log2(hz / 440.0));
      chroma[static_cast<std::size_t>((semitones % 12 + 12) % 12)] += std::sqrt(power[k]);
    }
    start += size / 2;
  } while (start + size <= to);
  return chroma;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b) {
  const std::size_t n = std::min(a.size(), b.size());
  if (n == 0)
    return 0.0;
  double meanA = 0.0, meanB = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    meanA += a[i];
    meanB += b[i];
  }
  meanA /= static_cast<double>(n);
  meanB /= static_cast<double>(n);
  double ab = 0.0, aa = 0.0, bb = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    ab += (a[i] - meanA) * (b[i] - meanB);
    aa += (a[i] - meanA) * (a[i] - meanA);
    bb += (b[i] - meanB) * (b[i] - meanB);
  }
  return aa > 0.0 && bb > 0.0 ? ab / std::sqrt(aa * bb) : 0.0;
}

namespace {

// A bar's four beats of chroma, each beat's twelve values scaled to sum to 1.
std::vector<double> beatChroma(const std::vector<float>& mono, double rate, double start,
                               double barFrames) {
  std::vector<double> beats;
  for (int beat = 0; beat < 4; ++beat) {
    const double beatStart = start + beat * barFrames / 4.0;
    const Chroma c =
        chromaOf(mono, rate, std::llround(beatStart), std::llround(beatStart + barFrames / 4.0));
    double sum = 0.0;
    for (const double v : c)
      sum += v;
    for (const double v : c)
      beats.push_back(sum > 0.0 ? v / sum : 0.0);
  }
  return beats;
}

} // namespace

double barToBarEightSimilarity(const std::vector<float>& mono, double rate, std::int64_t from,
                               std::int64_t to, double barFrames) {
  std::vector<std::vector<double>> bars;
  for (int bar = 0;; ++bar) {
    const double start = static_cast<double>(from) + bar * barFrames;
    if (std::llround(start + barFrames) > to)
      break;
    bars.push_back(beatChroma(mono, rate, start, barFrames));
  }
  double total = 0.0;
  int pairs = 0;
  for (std::size_t b = 0; b + 8 < bars.size(); ++b, ++pairs)
    total += correlation(bars[b], bars[b + 8]);
  return pairs > 0 ? total / pairs : 0.0;
}

double hookRestatement(const std::vector<float>& mono, double rate, std::int64_t from,
                       double barFrames) {
  std::vector<double> first, second;
  for (int bar = 0; bar < 8; ++bar) {
    const double start = static_cast<double>(from) + bar * barFrames;
    const std::vector<double> a = beatChroma(mono, rate, start, barFrames);
    const std::vector<double> b = beatChroma(mono, rate, start + 8 * barFrames, barFrames);
    first.insert(first.end(), a.begin(), a.end());
    second.insert(second.end(), b.begin(), b.end());
  }
  return correlation(first, second);
}

std::string keyOf(const Chroma& chroma) {
  // Krumhansl and Kessler's probe-tone profiles, from the tonic up.
  constexpr std::array<double, 12> major{6.35, 2.23, 3.48, 2.33, 4.38, 4.09,
                                         2.52, 5.19, 2.39, 3.66, 2.29, 2.88};
  constexpr std::array<double, 12> minor{6.33, 2.68, 3.52, 5.38, 2.60, 3.53,
                                         2.54, 4.75, 3.98, 2.69, 3.34, 3.17};
  constexpr std::array<const char*, 12> names{"A",  "A#", "B", "C",  "C#", "D",
                                              "D#", "E",  "F", "F#", "G",  "G#"};
  const std::vector<double> heard(chroma.begin(), chroma.end());
  std::string best;
  double bestFit = -2.0;
  for (std::size_t tonic = 0; tonic < 12; ++tonic)
    for (const auto& [profile, mode] : {std::pair{&major, " major"}, std::pair{&minor, " minor"}}) {
      std::vector<double> rotated(12);
      for (std::size_t p = 0; p < 12; ++p)
        rotated[(p + tonic) % 12] = (*profile)[p];
      const double fit = correlation(heard, rotated);
      if (fit > bestFit) {
        bestFit = fit;
        best = std::string(names[tonic]) + mode;
      }
    }
  return best;
}
