#pragma once
// Listening measures over a whole decoded track (mono, 44.1 kHz or any rate):
// held tones, how alike a bar is to the bar eight later, whether a hook comes
// back, and the key a stretch is in.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/real_transform.h"

// Power per bin of a Hann-windowed stretch of a track.
class PowerSpectrum {
public:
  explicit PowerSpectrum(std::size_t size);
  std::size_t size() const { return transform_.size(); }
  // The window starting at `start`; samples outside the track count as silence.
  const std::vector<double>& at(const std::vector<float>& mono, std::int64_t start);

private:
  RealTransform transform_;
  std::vector<double> power_;
};

struct HeldTones {
  // Share of the seconds in which one 4 Hz slice carries more than a quarter
  // of the power between 250 Hz and 4 kHz.
  double dominatedSeconds = 0.0;
  std::vector<char> dominated; // second by second
  // The longest a partial stands out (15 dB over the slices within 100 Hz of
  // it) in every quarter second without a break, and where.
  double longestSeconds = 0.0;
  double longestHz = 0.0;
  double longestEnds = 0.0; // seconds into the track
};

HeldTones measureHeldTones(const std::vector<float>& mono, double rate);

// Twelve pitch classes from A, by summed magnitude between 55 Hz and 2 kHz,
// of a Hann-windowed stretch [from, to).
using Chroma = std::array<double, 12>;
Chroma chromaOf(const std::vector<float>& mono, double rate, std::int64_t from, std::int64_t to);

// The mean correlation between each bar of [from, to) and the bar eight later,
// both read as four beats of chroma: 1 for a literal eight-bar loop.
double barToBarEightSimilarity(const std::vector<float>& mono, double rate, std::int64_t from,
                               std::int64_t to, double barFrames);

// How far bars 9-16 from `from` restate bars 1-8: the correlation of their
// beat-wise chroma, 32 beats of twelve pitch classes each, beat by beat.
double hookRestatement(const std::vector<float>& mono, double rate, std::int64_t from,
                       double barFrames);

// "A minor", "C major", ...: the major or minor key whose tonal profile the
// chroma follows best.
std::string keyOf(const Chroma& chroma);

// Pearson correlation of two equally long vectors; 0 when either is flat.
double correlation(const std::vector<double>& a, const std::vector<double>& b);
