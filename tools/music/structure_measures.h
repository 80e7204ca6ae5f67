#pragma once
// How a track moves from part to part, as a listener follows it: the hits a
// build gathers, how alike two sections sound, where the harmony changes and
// where anything does.

#include <array>
#include <cstdint>
#include <vector>

// Onsets of the 1-8 kHz envelope in [from, to): a rise of 6 dB or more within
// 30 ms to within 30 dB of the stretch's loudest moment, at most one every
// 40 ms.
int countHits(const std::vector<float>& mono, double rate, std::int64_t from, std::int64_t to);

// Thirteen cepstral coefficients (the first 13 after the level, over 26 mel
// bands from 40 Hz to 16 kHz) of 2048-frame Hann blocks, one a block: their
// means over [from, to) and then their spreads.
using Timbre = std::array<double, 26>;
Timbre timbreOf(const std::vector<float>& mono, double rate, std::int64_t from, std::int64_t to);
double timbreDistance(const Timbre& a, const Timbre& b);

// The bars between successive bar lines (`barStarts`, the last entry ending
// the last bar), each read as one of the 24 major and minor triads: root
// semitones above A, plus 12 for minor; -1 for a silent bar.
std::vector<int> barChords(const std::vector<float>& mono, double rate,
                           const std::vector<std::int64_t>& barStarts);

// The share of bar lines across which the chord changes, 0..1.
double chordChangeShare(const std::vector<int>& chords);

// Novelty (Foote's checkerboard kernel, four bars a side, Gaussian-tapered)
// over the bars' cosine self-similarity, each bar read as its mean cepstrum
// and its chroma, both standardised over the bars: the bar lines where the
// novelty peaks (the highest within two bars either side and above its
// median), counted from the first bar line.
std::vector<int> noveltyPeaks(const std::vector<float>& mono, double rate,
                              const std::vector<std::int64_t>& barStarts);

// The most bar lines from one novelty peak to the next.
int longestWithoutNovelty(const std::vector<int>& peaks);
