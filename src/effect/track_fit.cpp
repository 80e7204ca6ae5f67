#include "effect/track_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "audio/spectrum_analyser.h"
#include "effect/colour_factors.h"

namespace {

constexpr std::size_t hopFrames = SpectrumAnalyser::windowSize;
// The span a listener hears as one moment's loudness.
constexpr double momentSeconds = 0.4;
// The loudest quarter of a track's moments are its loudest passages.
constexpr double loudestFraction = 0.75;
// Below this a track's factors are too small to scale up with any sense.
constexpr double smallestFactor = 1e-6;

template <typename T> T valueAt(std::vector<T> values, double fraction) {
  const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(rank),
                   values.end());
  return values[rank];
}

} // namespace

double decibels(double gain) {
  return 20.0 * std::log10(gain);
}

TrackFit fitTrack(const DecodedTrack& track) {
  TrackFit fit;
  const auto frames = static_cast<std::size_t>(track.frames());
  if (frames < hopFrames)
    return fit;
  // Each hop's window of the mono mix the spectrum reads, made as it goes:
  // a whole track's copy would double what a long one holds.
  const std::size_t hops = frames / hopFrames;
  const std::size_t momentHops = std::max<std::size_t>(
      1, static_cast<std::size_t>(std::lround(momentSeconds * track.sampleRate / hopFrames)));
  SpectrumAnalyser analyser;
  std::array<float, hopFrames> window{};
  std::array<float, SpectrumAnalyser::binCount> spectrum{};
  std::vector<double> hopEnergy(hops + 1, 0.0); // running, by hop
  std::vector<double> loudness, factor;
  for (std::size_t hop = 0; hop < hops; ++hop) {
    double energy = 0.0;
    for (std::size_t i = 0; i < hopFrames; ++i) {
      const std::size_t at = 2 * (hop * hopFrames + i);
      window[i] = 0.5f * (track.stereo[at] + track.stereo[at + 1]);
      energy += static_cast<double>(window[i]) * window[i];
    }
    hopEnergy[hop + 1] = hopEnergy[hop] + energy;
    analyser.analyse(window.data(), spectrum.data());
    const ColourFactors f = computeColourFactors(spectrum.data());
    // The strongest channel sets how bright the band's brightest colour is.
    factor.push_back(std::max({f.redFactor, f.greenFactor, f.blueFactor}));
    const std::size_t from = hop + 1 > momentHops ? hop + 1 - momentHops : 0;
    loudness.push_back(hopEnergy[hop + 1] - hopEnergy[from]);
  }
  const double threshold = valueAt(loudness, loudestFraction);
  std::vector<double> loudest;
  for (std::size_t i = 0; i < factor.size(); ++i)
    if (loudness[i] >= threshold && loudness[i] > 0.0)
      loudest.push_back(factor[i]);
  if (loudest.empty())
    return fit; // silence: nothing to fit, and nothing divided by
  fit.loudestShare = static_cast<double>(loudest.size()) / static_cast<double>(factor.size());
  fit.loudestFactor = valueAt(loudest, 0.5);
  if (fit.loudestFactor < smallestFactor)
    return fit; // content the factors cancel out: no gain makes it read 1
  const double largest = std::pow(10.0, largestFitGainDb / 20.0);
  const double gain = std::clamp(1.0 / fit.loudestFactor, 1.0 / largest, largest);
  fit.gain = std::abs(decibels(gain)) < fitDeadZoneDb ? 1.0 : gain;
  return fit;
}
