#pragma once
// How a mix sits in a stretch of a track, measured the way a listener hears
// it: band shares and the spectrum's slope, how far the two channels agree in
// a band, the kick against the bass in beat-folded band envelopes, and how
// much two stretches' bars move alike.

#include <cstdint>
#include <vector>

// The mean power spectrum of a stereo stretch [from, to), from Hann blocks of
// 4096 overlapping by half (one block, padded with silence, when the stretch is
// shorter): each channel's power per bin and the real part of their cross
// spectrum, L times R's conjugate.
struct StretchSpectrum {
  double binHz = 0.0;
  std::vector<double> left, right, cross;

  // Both channels' power in [lowHz, highHz).
  double bandPower(double lowHz, double highHz) const;
  // Each channel's power and the cross spectrum's real part, summed over
  // [lowHz, highHz).
  struct Sums {
    double left = 0.0, right = 0.0, cross = 0.0;
  };
  Sums sums(double lowHz, double highHz) const;
  double totalPower() const;
  // The band's share of all the power, 0..1; 0 for silence.
  double share(double lowHz, double highHz) const;
};

StretchSpectrum stretchSpectrum(const std::vector<float>& interleaved, double rate,
                                std::int64_t from, std::int64_t to);

// The least-squares slope, dB per octave, of the power spectral density
// averaged in third-octave bands centred from `fromHz` to `toHz` (1 kHz times
// powers of the cube root of 2), against log2 of the band's centre: pink
// noise reads -3.
double spectralSlope(const StretchSpectrum& spectrum, double fromHz = 1000.0,
                     double toHz = 16000.0);

struct BandStereo {
  double correlation = 0.0; // of left and right within the band, -1..1
  // Level lost when the band is summed to mono: 10 log10 of the mean of the
  // channels' powers over the power of (L + R) / 2, dB; 0 for identical
  // channels, 3 for unrelated ones of equal level.
  double monoLoss = 0.0;
};
BandStereo bandStereo(const StretchSpectrum& spectrum, double lowHz, double highHz);

// The kick against the bass, from band envelopes (the power in 5 ms, 20 ms in
// the sub band, centred on each millisecond after a beat's onset) folded over
// beats: each band filtered without phase shift, so a peak sits where it
// sounds.
struct KickFigures {
  // The 25-100 Hz peak in the beat's first 150 ms over the level between
  // kicks (the folded envelope's median over 60-95 % of the beat), dB, and
  // how long after the onset it comes, ms.
  double subOverFloor = 0.0;
  double subPeakMs = 0.0;
  // The 2-8 kHz peak in the first 15 ms over the level between kicks, dB,
  // folded over the beats no clap lands on.
  double clickOverFloor = 0.0;
  // The 300 Hz-2 kHz pump: the level between kicks over the envelope's lowest
  // point in the first 150 ms, dB.
  double pump = 0.0;
};
// `beats` and `clickBeats`: onset frames in `mono`; `beatFrames`: a beat's length.
KickFigures measureKick(const std::vector<float>& mono, double rate,
                        const std::vector<std::int64_t>& beats,
                        const std::vector<std::int64_t>& clickBeats, double beatFrames);

// The kick's own body: its pitch, from the beats' average waveform (which
// keeps what sounds alike on every beat and cancels the rest), and how its
// band, the pitch +-15 %, dies away, folded over the beats a kick sounds on.
struct KickBody {
  double pitchHz = 0.0;
  double offBeatUnderPeak = 0.0; // dB the band's envelope lies under its peak half a beat on
  double fallMs =
      0.0; // from the onset until the envelope is 20 dB under its peak; the beat if never
};
KickBody measureKickBody(const std::vector<float>& mono, double rate,
                         const std::vector<std::int64_t>& beats, double beatFrames);

// [lowHz, highHz) with nothing delayed: fourth-order Butterworth slopes (or
// eighth-order, `steep`, for a narrow band beside strong neighbours) run
// forward and back, 6 dB down at either edge.
std::vector<double> bandPassed(const std::vector<double>& signal, double rate, double lowHz,
                               double highHz, bool steep = false);

// Six bands' energy (dB) in each bar whose start is listed (the last entry
// ends the last bar), each band's series less its mean: how a stretch's
// arrangement moves bar by bar, bars times bands, for correlating two.
std::vector<double> barBandProfile(const std::vector<float>& interleaved, double rate,
                                   const std::vector<std::int64_t>& barStarts);
