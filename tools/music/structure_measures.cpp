#include "music/structure_measures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "music/factor_statistics.h"
#include "music/mix_measures.h"
#include "music/track_analysis.h"

namespace {

constexpr std::size_t cepstrumBlock = 2048;
constexpr std::size_t cepstrumBins = cepstrumBlock / 2 + 1;
constexpr std::size_t melBands = 26;
constexpr std::size_t coefficients = 13;
using Cepstrum = std::array<double, coefficients>;

double melOf(double hz) {
  return 2595.0 * std::log10(1.0 + hz / 700.0);
}

double hzOfMel(double mel) {
  return 700.0 * (std::pow(10.0, mel / 2595.0) - 1.0);
}

// Cepstra of Hann blocks of a mono track: triangular mel bands, their log
// powers, and the orthonormal DCT-II of those, the level (coefficient 0) left
// out so only the spectrum's shape counts.
class CepstrumReader {
public:
  explicit CepstrumReader(double rate) : spectrum_(cepstrumBlock) {
    const double binHz = rate / static_cast<double>(cepstrumBlock);
    const double low = melOf(40.0), high = melOf(std::min(16000.0, 0.45 * rate));
    std::array<double, melBands + 2> edges{};
    for (std::size_t k = 0; k < edges.size(); ++k)
      edges[k] = hzOfMel(low + (high - low) * static_cast<double>(k) / (melBands + 1));
    weights_.assign(melBands, std::vector<double>(cepstrumBins, 0.0));
    for (std::size_t band = 0; band < melBands; ++band)
      for (std::size_t bin = 0; bin < cepstrumBins; ++bin) {
        const double hz = static_cast<double>(bin) * binHz;
        const double rise = (hz - edges[band]) / (edges[band + 1] - edges[band]);
        const double fall = (edges[band + 2] - hz) / (edges[band + 2] - edges[band + 1]);
        weights_[band][bin] = std::max(0.0, std::min(rise, fall));
      }
  }

  Cepstrum at(const std::vector<float>& mono, std::int64_t start) {
    const std::vector<double>& power = spectrum_.at(mono, start);
    std::array<double, melBands> logs{};
    for (std::size_t band = 0; band < melBands; ++band) {
      double sum = 0.0;
      for (std::size_t bin = 0; bin < power.size(); ++bin)
        sum += weights_[band][bin] * power[bin];
      logs[band] = std::log(sum + 1e-10);
    }
    Cepstrum c{};
    for (std::size_t q = 0; q < coefficients; ++q) {
      double sum = 0.0;
      for (std::size_t band = 0; band < melBands; ++band)
        sum += logs[band] * std::cos(std::numbers::pi * static_cast<double>(q + 1) *
                                     (static_cast<double>(band) + 0.5) / melBands);
      c[q] = sum * std::sqrt(2.0 / melBands);
    }
    return c;
  }

private:
  PowerSpectrum spectrum_;
  std::vector<std::vector<double>> weights_;
};

std::vector<Cepstrum> cepstraIn(CepstrumReader& reader, const std::vector<float>& mono,
                                std::int64_t from, std::int64_t to) {
  std::vector<Cepstrum> blocks;
  const auto size = static_cast<std::int64_t>(cepstrumBlock);
  for (std::int64_t start = from; start + size <= to; start += size)
    blocks.push_back(reader.at(mono, start));
  return blocks;
}

double decibels(double power) {
  return 10.0 * std::log10(power + 1e-20);
}

} // namespace

int countHits(const std::vector<float>& mono, double rate, std::int64_t from, std::int64_t to) {
  const auto frames = static_cast<std::int64_t>(mono.size());
  from = std::clamp<std::int64_t>(from, 0, frames);
  to = std::clamp<std::int64_t>(to, from, frames);
  const auto margin = static_cast<std::int64_t>(rate / 10);
  const std::int64_t start = std::max<std::int64_t>(0, from - margin);
  const std::int64_t end = std::min(frames, to + margin);
  if (to - from < margin)
    return 0;
  const std::vector<double> band = bandPassed(
      std::vector<double>(mono.begin() + start, mono.begin() + end), rate, 1000.0, 8000.0);
  // Power in 10 ms windows every 5 ms.
  const auto hop = static_cast<std::size_t>(rate / 200.0);
  std::vector<double> envelope;
  for (std::size_t at = 0; at + 2 * hop <= band.size(); at += hop) {
    double sum = 0.0;
    for (std::size_t i = at; i < at + 2 * hop; ++i)
      sum += band[i] * band[i];
    envelope.push_back(decibels(sum / static_cast<double>(2 * hop)));
  }
  if (envelope.empty())
    return 0;
  const double loudest = *std::max_element(envelope.begin(), envelope.end());
  int hits = 0;
  std::size_t quietUntil = 0;
  for (std::size_t n = 6; n < envelope.size(); ++n) {
    if (n < quietUntil || envelope[n] < loudest - 30.0)
      continue;
    const double before = *std::min_element(envelope.begin() + static_cast<std::ptrdiff_t>(n - 6),
                                            envelope.begin() + static_cast<std::ptrdiff_t>(n));
    if (envelope[n] - before < 6.0)
      continue;
    const auto onset = start + static_cast<std::int64_t>(n * hop);
    if (onset >= from && onset < to)
      ++hits;
    quietUntil = n + 8;
  }
  return hits;
}

Timbre timbreOf(const std::vector<float>& mono, double rate, std::int64_t from, std::int64_t to) {
  CepstrumReader reader(rate);
  const std::vector<Cepstrum> blocks = cepstraIn(reader, mono, from, to);
  Timbre t{};
  if (blocks.empty())
    return t;
  const auto n = static_cast<double>(blocks.size());
  for (std::size_t q = 0; q < coefficients; ++q) {
    double mean = 0.0, square = 0.0;
    for (const Cepstrum& c : blocks) {
      mean += c[q] / n;
      square += c[q] * c[q] / n;
    }
    t[q] = mean;
    t[coefficients + q] = std::sqrt(std::max(0.0, square - mean * mean));
  }
  return t;
}

double timbreDistance(const Timbre& a, const Timbre& b) {
  double sum = 0.0;
  for (std::size_t k = 0; k < a.size(); ++k)
    sum += (a[k] - b[k]) * (a[k] - b[k]);
  return std::sqrt(sum);
}

std::vector<int> barChords(const std::vector<float>& mono, double rate,
                           const std::vector<std::int64_t>& barStarts) {
  std::vector<int> chords;
  for (std::size_t b = 0; b + 1 < barStarts.size(); ++b) {
    const Chroma chroma = chromaOf(mono, rate, barStarts[b], barStarts[b + 1]);
    const std::vector<double> heard(chroma.begin(), chroma.end());
    int best = -1;
    double bestFit = 0.0;
    for (int chord = 0; chord < 24; ++chord) {
      std::vector<double> triad(12, 0.0);
      const int root = chord % 12;
      for (const int interval : {0, chord < 12 ? 4 : 3, 7})
        triad[static_cast<std::size_t>((root + interval) % 12)] = 1.0;
      const double fit = correlation(heard, triad);
      if (fit > bestFit) {
        bestFit = fit;
        best = chord;
      }
    }
    chords.push_back(best);
  }
  return chords;
}

double chordChangeShare(const std::vector<int>& chords) {
  if (chords.size() < 2)
    return 0.0;
  int changes = 0;
  for (std::size_t b = 1; b < chords.size(); ++b)
    changes += chords[b] != chords[b - 1];
  return static_cast<double>(changes) / static_cast<double>(chords.size() - 1);
}

std::vector<int> noveltyPeaks(const std::vector<float>& mono, double rate,
                              const std::vector<std::int64_t>& barStarts) {
  constexpr int reach = 4;
  const std::size_t bars = barStarts.size() > 1 ? barStarts.size() - 1 : 0;
  if (bars < 2 * reach + 1)
    return {};
  constexpr std::size_t features = coefficients + 12;
  std::vector<std::array<double, features>> rows(bars);
  CepstrumReader reader(rate);
  for (std::size_t b = 0; b < bars; ++b) {
    const std::vector<Cepstrum> blocks = cepstraIn(reader, mono, barStarts[b], barStarts[b + 1]);
    for (const Cepstrum& c : blocks)
      for (std::size_t q = 0; q < coefficients; ++q)
        rows[b][q] += c[q] / static_cast<double>(blocks.size());
    const Chroma chroma = chromaOf(mono, rate, barStarts[b], barStarts[b + 1]);
    double sum = 0.0;
    for (const double v : chroma)
      sum += v;
    for (std::size_t p = 0; p < 12; ++p)
      rows[b][coefficients + p] = sum > 0.0 ? chroma[p] / sum : 0.0;
  }
  for (std::size_t k = 0; k < features; ++k) {
    double mean = 0.0, square = 0.0;
    for (const auto& row : rows) {
      mean += row[k] / static_cast<double>(bars);
      square += row[k] * row[k] / static_cast<double>(bars);
    }
    const double spread = std::sqrt(std::max(0.0, square - mean * mean));
    for (auto& row : rows)
      row[k] = spread > 0.0 ? (row[k] - mean) / spread : 0.0;
  }
  auto similarity = [&](std::size_t a, std::size_t b) {
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (std::size_t k = 0; k < features; ++k) {
      ab += rows[a][k] * rows[b][k];
      aa += rows[a][k] * rows[a][k];
      bb += rows[b][k] * rows[b][k];
    }
    return aa > 0.0 && bb > 0.0 ? ab / std::sqrt(aa * bb) : 0.0;
  };
  // Novelty at bar line i, between bar i - 1 and bar i.
  std::vector<double> novelty(bars + 1, -HUGE_VAL);
  std::vector<float> defined;
  for (std::size_t line = reach; line + reach <= bars; ++line) {
    double sum = 0.0;
    for (int a = -reach; a < reach; ++a)
      for (int b = -reach; b < reach; ++b) {
        const double taper =
            std::exp(-((a + 0.5) * (a + 0.5) + (b + 0.5) * (b + 0.5)) / (2.0 * 2.0 * 2.0));
        const double sign = (a < 0) == (b < 0) ? 1.0 : -1.0;
        const auto at = static_cast<std::ptrdiff_t>(line);
        sum += sign * taper *
               similarity(static_cast<std::size_t>(at + a), static_cast<std::size_t>(at + b));
      }
    novelty[line] = sum;
    defined.push_back(static_cast<float>(sum));
  }
  const double middle = percentile(defined, 0.5);
  std::vector<int> peaks;
  for (std::size_t line = reach; line + reach <= bars; ++line) {
    if (novelty[line] <= middle)
      continue;
    bool highest = true;
    for (std::size_t other = line >= 2 ? line - 2 : 0; other <= std::min(bars, line + 2); ++other)
      highest = highest && (other == line || novelty[other] < novelty[line] ||
                            (novelty[other] == novelty[line] && other > line));
    if (highest)
      peaks.push_back(static_cast<int>(line));
  }

  return peaks;
}

int longestWithoutNovelty(const std::vector<int>& peaks) {
  int longest = 0;
  for (std::size_t p = 1; p < peaks.size(); ++p)
    longest = std::max(longest, peaks[p] - peaks[p - 1]);
  return longest;
}
