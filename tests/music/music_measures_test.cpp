// The music's measures on signals whose answers are known: the BS.1770 meter
// on sines and gated silence, band shares, the spectrum's slope on white and
// pink noise, left-right agreement, a kick, click and pump of set sizes, a
// kick's pitch and decay beside a bass, octave bumps and stereo width of set
// sizes, counted hits, chords and changes, hooks that come back or do not,
// and tracks shorter than the piece or at other rates.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "music/factor_statistics.h"
#include "music/loudness_meter.h"
#include "music/mix_measures.h"
#include "music/score.h"
#include "music/spectral_balance.h"
#include "music/spectral_shape.h"
#include "music/structure_measures.h"
#include "music/track_analysis.h"
#include "music/track_report.h"

namespace {

constexpr double rate = 44100.0;
constexpr double twoPi = 2.0 * std::numbers::pi;

std::vector<float> stereoOf(const std::vector<float>& left, const std::vector<float>& right) {
  std::vector<float> out(2 * left.size());
  for (std::size_t i = 0; i < left.size(); ++i) {
    out[2 * i] = left[i];
    out[2 * i + 1] = right[i];
  }
  return out;
}

std::vector<float> sine(double hz, double amplitude, double seconds, double at = rate) {
  std::vector<float> out(static_cast<std::size_t>(seconds * at));
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<float>(amplitude * std::sin(twoPi * hz * static_cast<double>(i) / at));
  return out;
}

std::vector<float> whiteNoise(std::size_t frames, unsigned seed, double amplitude = 0.1) {
  std::mt19937 random(seed);
  std::normal_distribution<double> normal(0.0, amplitude);
  std::vector<float> out(frames);
  for (float& v : out)
    v = static_cast<float>(normal(random));
  return out;
}

// Paul Kellet's filter: white noise to pink within 0.05 dB above 10 Hz.
std::vector<float> pinkNoise(std::size_t frames, unsigned seed) {
  std::vector<float> out = whiteNoise(frames, seed);
  double b0 = 0, b1 = 0, b2 = 0, b3 = 0, b4 = 0, b5 = 0, b6 = 0;
  for (float& v : out) {
    const double w = v;
    b0 = 0.99886 * b0 + w * 0.0555179;
    b1 = 0.99332 * b1 + w * 0.0750759;
    b2 = 0.96900 * b2 + w * 0.1538520;
    b3 = 0.86650 * b3 + w * 0.3104856;
    b4 = 0.55000 * b4 + w * 0.5329522;
    b5 = -0.7616 * b5 - w * 0.0168980;
    v = static_cast<float>(0.2 * (b0 + b1 + b2 + b3 + b4 + b5 + b6 + w * 0.5362));
    b6 = w * 0.115926;
  }
  return out;
}

// libebur128's integrated loudness, checked against the same gating applied
// to its own momentary readings.
double integratedOf(const std::vector<float>& stereo, double at = rate) {
  LoudnessMeter meter(2, static_cast<unsigned long>(at));
  meter.add(stereo.data(), stereo.size() / 2);
  const auto frames = static_cast<std::int64_t>(stereo.size() / 2);
  EXPECT_NEAR(gatedLoudness(readingsIn(meter.momentary(), meter.hop(), 4 * meter.hop(), 0, frames)),
              meter.integrated(), 0.01);
  return meter.integrated();
}

} // namespace

// BS.1770: L = -0.691 + 10 log10(sum of the channels' K-weighted mean
// squares), the K-weighting +0.691 dB at 1 kHz. A sine of peak A has mean
// square A^2 / 2, so at -20 dBFS in both channels it reads
// 10 log10(2 * 0.01 / 2) = -20 LUFS, in one channel 3.01 LU less, and the
// reading follows the level dB for dB.
TEST(LoudnessMeter, ReadsSinesAsBs1770DefinesThem) {
  for (const double dbfs : {-10.0, -20.0, -30.0})
    for (const double at : {44100.0, 48000.0}) {
      const std::vector<float> tone = sine(1000.0, std::pow(10.0, dbfs / 20.0), 5.0, at);
      const std::vector<float> silence(tone.size(), 0.0f);
      EXPECT_NEAR(integratedOf(stereoOf(tone, tone), at), dbfs, 0.05) << dbfs << " dBFS";
      EXPECT_NEAR(integratedOf(stereoOf(tone, silence), at), dbfs - 3.01, 0.05) << dbfs;
    }
}

// The gates: silence (under -70 LUFS) and passages 20 LU under the rest
// (under the relative gate, 10 LU below) leave the reading where the loud
// part alone puts it; the true peak of a sine lies at its amplitude.
TEST(LoudnessMeter, GatesOutSilenceAndQuietPassages) {
  std::vector<float> tone = sine(1000.0, 0.1, 6.0);
  const std::vector<float> quiet = sine(1000.0, 0.01, 6.0);
  std::vector<float> gated = tone;
  gated.insert(gated.end(), quiet.begin(), quiet.end());
  gated.insert(gated.end(), tone.size(), 0.0f);
  EXPECT_NEAR(integratedOf(stereoOf(gated, gated)), -20.0, 0.1);
  LoudnessMeter meter(2, 44100);
  const std::vector<float> stereo = stereoOf(tone, tone);
  meter.add(stereo.data(), tone.size());
  EXPECT_NEAR(meter.truePeak(), -20.0, 0.1);
  // The momentary reading of the steady tone, once its 400 ms are full.
  ASSERT_GT(meter.momentary().size(), 10u);
  EXPECT_NEAR(meter.momentary()[10], -20.0, 0.05);
}

// A sine in the middle of each band lands there; identical channels read as
// correlated and without side, opposite ones anticorrelated.
TEST(SpectralBalance, PutsASineInItsBandAndReadsTheStereoImage) {
  for (std::size_t b = 0; b < balanceBands.size(); ++b) {
    const double low = std::max(balanceBands[b].low, 20.0);
    const double hz = std::sqrt(low * balanceBands[b].high);
    const std::vector<float> tone = sine(hz, 0.5, 2.0);
    std::vector<float> inverted(tone.size());
    for (std::size_t i = 0; i < tone.size(); ++i)
      inverted[i] = -tone[i];
    for (const bool opposite : {false, true}) {
      SpectralBalance balance(rate);
      const std::vector<float> stereo = stereoOf(tone, opposite ? inverted : tone);
      balance.add(stereo.data(), tone.size());
      const BalanceSummary s = balance.summary();
      EXPECT_GT(s.shares[b], 0.99) << balanceBands[b].name;
      EXPECT_NEAR(s.correlation, opposite ? -1.0 : 1.0, 1e-6);
      EXPECT_NEAR(hz < 150.0 ? s.sideShareLow : s.sideShareHigh, opposite ? 1.0 : 0.0, 1e-3);
      EXPECT_NEAR(s.samplePeak, 0.5, 1e-3);
      EXPECT_EQ(s.clippedSamples, 0);
    }
  }
}

// Pink noise falls 3 dB an octave, white noise is flat, and a level change
// moves no slope.
TEST(MixMeasures, SpectralSlopeReadsNoiseColours) {
  const std::size_t frames = 10 * 44100;
  for (const unsigned seed : {1u, 2u}) {
    const std::vector<float> pink = pinkNoise(frames, seed), white = whiteNoise(frames, seed + 9);
    std::vector<float> quieter(pink.size());
    for (std::size_t i = 0; i < pink.size(); ++i)
      quieter[i] = 0.1f * pink[i];
    const auto slopeOf = [&](const std::vector<float>& mono) {
      const std::vector<float> stereo = stereoOf(mono, mono);
      return spectralSlope(stretchSpectrum(stereo, rate, 0, static_cast<std::int64_t>(frames)));
    };
    EXPECT_NEAR(slopeOf(pink), -3.01, 0.15);
    EXPECT_NEAR(slopeOf(quieter), slopeOf(pink), 1e-6);
    EXPECT_NEAR(slopeOf(white), 0.0, 0.15);
  }
}

// R = c L + sqrt(1 - c^2) N, with N unrelated to L: the band correlation reads
// c, and summed to mono the band loses 10 log10(2 / (1 + c)) dB: nothing for
// identical channels, 3 dB for unrelated ones.
TEST(MixMeasures, BandStereoReadsCorrelationAndMonoLoss) {
  const std::size_t frames = 8 * 44100;
  const std::vector<float> left = whiteNoise(frames, 3), other = whiteNoise(frames, 4);
  for (const double c : {1.0, 0.7, 0.3, 0.0, -0.5}) {
    std::vector<float> right(frames);
    for (std::size_t i = 0; i < frames; ++i)
      right[i] = static_cast<float>(c * left[i] + std::sqrt(1.0 - c * c) * other[i]);
    const StretchSpectrum s =
        stretchSpectrum(stereoOf(left, right), rate, 0, static_cast<std::int64_t>(frames));
    const BandStereo b = bandStereo(s, 2000.0, 6000.0);
    EXPECT_NEAR(b.correlation, c, 0.03) << c;
    EXPECT_NEAR(b.monoLoss, 10.0 * std::log10(2.0 / (1.0 + c)), 0.15) << c;
    EXPECT_NEAR(s.share(2000.0, 6000.0), 4000.0 / 22050.0, 0.01);
  }
}

// Beats of 0.5 s over a steady 50 Hz bass, a 4 kHz hiss and a 1 kHz pad: a
// kick adds a 50 Hz bump rising to a set time and dying away over 60 ms, a click doubles the 4 kHz
// for 10 ms on beats 1 and 3, and the pad ducks by a set depth on each beat,
// back over 250 ms. The measures read what was put in.
TEST(MixMeasures, KickClickAndPumpReadWhatWasPutIn) {
  constexpr double beat = 0.5;
  constexpr int beats = 24;
  for (const double peakMs : {20.0, 45.0})
    for (const double duck : {3.0, 6.0}) {
      const double rise = peakMs / 1000.0;
      const auto bump = [&](double t) {
        if (t < 0.0)
          return 0.0;
        return t < rise ? std::pow(std::sin(std::numbers::pi * t / (2.0 * rise)), 2)
                        : std::exp(-(t - rise) / 0.06);
      };
      std::vector<float> mono(static_cast<std::size_t>((beats + 1) * beat * rate));
      std::vector<std::int64_t> onsets, clicks;
      for (int b = 0; b < beats; ++b) {
        onsets.push_back(std::llround((b + 0.5) * beat * rate));
        if (b % 2 == 0)
          clicks.push_back(onsets.back());
      }
      for (std::size_t i = 0; i < mono.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double since = std::fmod(t - 0.5 * beat + 10.0 * beat, beat); // into the beat
        const int b = static_cast<int>(std::floor(t / beat - 0.5));
        const bool playing = b >= 0 && b < beats;
        const double kick = playing ? bump(since) : 0.0;
        const double click = playing && b % 2 == 0 && since < 0.010 ? 1.0 : 0.0;
        const double ducked = playing ? -duck * std::max(0.0, 1.0 - since / 0.25) : 0.0;
        mono[i] =
            static_cast<float>((0.1 + 0.3 * kick) * std::sin(twoPi * 50.0 * t) +
                               0.02 * (1.0 + click) * std::sin(twoPi * 4000.0 * t) +
                               0.1 * std::pow(10.0, ducked / 20.0) * std::sin(twoPi * 1000.0 * t));
      }
      const KickFigures k = measureKick(mono, rate, onsets, clicks, beat * rate);
      // The sub envelope is 20 ms of power: the bump's amplitude squared,
      // averaged over the 20 ms around each millisecond, over the bass's.
      double top = 0.0, topMs = 0.0;
      for (int ms = 0; ms < 150; ++ms) {
        double power = 0.0;
        for (int i = -1000; i < 1000; ++i)
          power += std::pow(0.1 + 0.3 * bump(ms / 1000.0 + i * 1e-5), 2) / 2000.0;
        if (power > top) {
          top = power;
          topMs = ms;
        }
      }
      EXPECT_NEAR(k.subPeakMs, topMs, 2.0);
      EXPECT_NEAR(k.subOverFloor, 10.0 * std::log10(top / 0.01), 0.3);
      EXPECT_NEAR(k.clickOverFloor, 20.0 * std::log10(2.0), 0.5);
      EXPECT_NEAR(k.pump, duck, 0.3);
    }
}

// A kick of set pitch and decay on every beat, over a bass a fifth above it
// that swells in on the off-beat: its pitch, and a body 20 dB down the
// sooner the shorter its decay, never before the decay says and late by no
// more than the narrow band's own ringing.
TEST(MixMeasures, KickBodyReadsItsPitchAndDecayBesideTheBass) {
  constexpr double beat = 0.484;
  constexpr int beats = 40;
  for (const double hz : {41.2, 46.2}) {
    std::vector<KickBody> bodies;
    for (const double decay : {0.03, 0.06}) {
      std::vector<float> mono(static_cast<std::size_t>((beats + 2) * beat * rate));
      std::vector<std::int64_t> onsets(beats);
      for (int b = 0; b < beats; ++b)
        onsets[static_cast<std::size_t>(b)] = std::llround((b + 1) * beat * rate);
      for (std::size_t i = 0; i < mono.size(); ++i) {
        const double t = static_cast<double>(i) / rate - beat;
        const double since = std::fmod(t + 10.0 * beat, beat);
        const bool playing = t >= 0.0 && t < beats * beat;
        const double kick = playing ? std::exp(-since / decay) * std::sin(twoPi * hz * since) : 0.0;
        const double swell = std::clamp((since - beat / 2) / 0.02, 0.0, 1.0);
        const double bass = playing ? 0.2 * swell * std::sin(twoPi * 1.5 * hz * t) : 0.0;
        mono[i] = static_cast<float>(0.5 * kick + bass);
      }
      const KickBody k = measureKickBody(mono, rate, onsets, beat * rate);
      EXPECT_NEAR(k.pitchHz, hz, 0.5) << hz;
      // 8.69 dB a decay time.
      const double fall = 20.0 / 8.686 * decay * 1000.0;
      EXPECT_GE(k.fallMs, fall) << hz << " " << decay;
      EXPECT_LE(k.fallMs, fall + 60.0) << hz << " " << decay;
      bodies.push_back(k);
    }
    EXPECT_LT(bodies[0].fallMs, bodies[1].fallMs - 30.0) << hz;
    // By the off-beat both bodies have gone under the bass swelling in.
    for (const KickBody& k : bodies)
      EXPECT_GT(k.offBeatUnderPeak, 15.0) << hz;
  }
}

// Pink noise lies on its tilt within a fraction of a dB; a band of noise
// added in one octave stands over it by about its own level, and two noises,
// one common and one opposed, have the width their levels give.
TEST(SpectralShape, OctaveBumpsAndSideOverMidReadWhatWasPutIn) {
  const std::size_t frames = static_cast<std::size_t>(20.0 * rate);
  const std::vector<float> pink = pinkNoise(frames, 5);
  const StretchSpectrum flat =
      stretchSpectrum(stereoOf(pink, pink), rate, 0, static_cast<std::int64_t>(frames));
  const TiltFit even = octaveTilt(flat);
  EXPECT_LT(even.bump, 0.6);
  EXPECT_GT(even.dip, -0.6);
  for (const double boost : {4.0, 8.0}) {
    // Noise band-passed to 400-600 Hz, scaled to add `boost` dB to the
    // 500 Hz octave.
    const std::vector<float> white = whiteNoise(frames, 6);
    const std::vector<double> band =
        bandPassed(std::vector<double>(white.begin(), white.end()), rate, 400.0, 600.0);
    std::vector<float> bandOnly(band.begin(), band.end());
    const StretchSpectrum bandSpectrum =
        stretchSpectrum(stereoOf(bandOnly, bandOnly), rate, 0, static_cast<std::int64_t>(frames));
    const double gain = std::sqrt(
        (std::pow(10.0, boost / 10.0) - 1.0) *
        std::pow(10.0, (octaveLevel(flat, 500.0) - octaveLevel(bandSpectrum, 500.0)) / 10.0));
    std::vector<float> mix(frames);
    for (std::size_t i = 0; i < frames; ++i)
      mix[i] = pink[i] + static_cast<float>(gain * band[i]);
    const TiltFit fit =
        octaveTilt(stretchSpectrum(stereoOf(mix, mix), rate, 0, static_cast<std::int64_t>(frames)));
    EXPECT_EQ(fit.bumpHz, 500.0);
    // The line leans a little towards the bump: six of seven octaves hold it.
    EXPECT_NEAR(fit.bump, boost * 6.0 / 7.0, 1.0) << boost;
  }
  for (const double side : {-6.0, -12.0}) {
    const std::vector<float> common = whiteNoise(frames, 7), opposed = whiteNoise(frames, 8);
    std::vector<float> left(frames), right(frames);
    const double g = std::pow(10.0, side / 20.0);
    for (std::size_t i = 0; i < frames; ++i) {
      left[i] = common[i] + static_cast<float>(g * opposed[i]);
      right[i] = common[i] - static_cast<float>(g * opposed[i]);
    }
    const StretchSpectrum s =
        stretchSpectrum(stereoOf(left, right), rate, 0, static_cast<std::int64_t>(frames));
    EXPECT_NEAR(sideOverMid(s, 8000.0, 16000.0), side, 0.3);
  }
}

// Bursts of noise at set places are counted one each, however close, down to
// 60 ms apart; chords held one or two bars read as held; and a change of
// sound after 24 bars of another is a novelty peak on its bar line.
TEST(StructureMeasures, HitsChordsAndNoveltyReadWhatWasPutIn) {
  for (const int hits : {4, 11, 32}) {
    std::vector<float> mono(static_cast<std::size_t>(2.5 * rate));
    const std::vector<float> noise = whiteNoise(mono.size(), 12, 0.2);
    for (int h = 0; h < hits; ++h) {
      const auto at = static_cast<std::size_t>((0.1 + 2.0 * h / hits) * rate);
      for (std::size_t i = 0; i < static_cast<std::size_t>(0.02 * rate); ++i)
        mono[at + i] =
            noise[at + i] * static_cast<float>(std::exp(-static_cast<double>(i) / 200.0));
    }
    EXPECT_EQ(countHits(mono, rate, 0, static_cast<std::int64_t>(mono.size())), hits);
  }

  // Am F C G, each held `hold` bars, as triads of sines.
  const std::array<std::array<double, 3>, 4> triads{{{220.0, 261.63, 329.63},
                                                     {174.61, 220.0, 261.63},
                                                     {261.63, 329.63, 392.0},
                                                     {196.0, 246.94, 293.66}}};
  const auto bar = static_cast<std::int64_t>(rate);
  for (const int hold : {1, 2}) {
    std::vector<float> mono(static_cast<std::size_t>(16 * bar));
    std::vector<std::int64_t> lines;
    for (int b = 0; b <= 16; ++b)
      lines.push_back(b * bar);
    for (std::size_t i = 0; i < mono.size(); ++i) {
      const auto& triad =
          triads[(i / static_cast<std::size_t>(bar) / static_cast<std::size_t>(hold)) % 4];
      const double t = static_cast<double>(i) / rate;
      for (const double hz : triad)
        mono[i] += static_cast<float>(0.1 * std::sin(twoPi * hz * t));
    }
    const std::vector<int> chords = barChords(mono, rate, lines);
    EXPECT_EQ(chords.front(), 12);                        // A minor
    EXPECT_EQ(chords[static_cast<std::size_t>(hold)], 8); // F major
    EXPECT_NEAR(chordChangeShare(chords), hold == 1 ? 1.0 : 7.0 / 15.0, 1e-9);
  }

  std::vector<float> mono(static_cast<std::size_t>(48 * bar));
  const std::vector<float> noise = whiteNoise(mono.size(), 13);
  std::vector<std::int64_t> lines;
  for (int b = 0; b <= 48; ++b)
    lines.push_back(b * bar);
  for (std::size_t i = 0; i < mono.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const std::size_t b = i / static_cast<std::size_t>(bar);
    // A pulse of tone and a little noise, then from bar 24 noise alone; each
    // bar a little unlike the last.
    mono[i] = b < 24 ? static_cast<float>((0.2 + 0.01 * static_cast<double>(b % 3)) *
                                          std::sin(twoPi * 330.0 * t)) +
                           0.02f * noise[i]
                     : (0.5f + 0.02f * static_cast<float>(b % 3)) * noise[i];
  }
  const std::vector<int> peaks = noveltyPeaks(mono, rate, lines);
  EXPECT_TRUE(std::find(peaks.begin(), peaks.end(), 24) != peaks.end());
  EXPECT_EQ(longestWithoutNovelty({4, 8, 30, 33}), 22);
  EXPECT_EQ(longestWithoutNovelty({7}), 0);
}

// Bars whose six bands move at random: a stretch's profile does not hang on
// its level, matches itself, and hardly another with other moves.
TEST(MixMeasures, BarBandProfilesFollowTheArrangementNotTheLevel) {
  const auto bar = static_cast<std::int64_t>(0.5 * rate);
  std::vector<std::int64_t> starts;
  for (int b = 0; b <= 16; ++b)
    starts.push_back(b * bar);
  const auto arrangement = [&](unsigned seed, float gain) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> level(0.0, 1.0);
    std::vector<float> mono(static_cast<std::size_t>(16 * bar));
    for (int b = 0; b < 16; ++b) {
      std::array<double, 6> amplitude{};
      for (double& a : amplitude)
        a = level(random);
      for (std::int64_t i = b * bar; i < (b + 1) * bar; ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0.0;
        for (std::size_t k = 0; k < amplitude.size(); ++k)
          v += amplitude[k] *
               std::sin(twoPi * std::array{40.0, 120.0, 500.0, 1800.0, 5000.0, 12000.0}[k] * t);
        mono[static_cast<std::size_t>(i)] = gain * static_cast<float>(0.05 * v);
      }
    }
    return barBandProfile(stereoOf(mono, mono), rate, starts);
  };
  const std::vector<double> a = arrangement(5, 1.0f), louder = arrangement(5, 4.0f),
                            other = arrangement(6, 1.0f);
  ASSERT_EQ(a.size(), 16u * 6u);
  for (std::size_t i = 0; i < a.size(); ++i)
    EXPECT_NEAR(a[i], louder[i], 1e-3);
  EXPECT_NEAR(correlation(a, louder), 1.0, 1e-9);
  EXPECT_LT(std::fabs(correlation(a, other)), 0.4);
}

// A melody of a note a beat: eight bars played twice restate their hook; the
// same eight bars answered by eight others do not.
TEST(TrackAnalysis, HookRestatementTellsARepeatFromNewMaterial) {
  const double barFrames = stepsPerBar * stepFrames;
  const auto melody = [&](unsigned secondSeed) {
    std::vector<float> mono(static_cast<std::size_t>(16 * barFrames));
    for (int half = 0; half < 2; ++half) {
      std::mt19937 random(half == 0 ? 7u : secondSeed);
      std::uniform_int_distribution<int> semitone(0, 11);
      for (int beat = 0; beat < 32; ++beat) {
        const double hz = 440.0 * std::exp2(semitone(random) / 12.0);
        const auto from = static_cast<std::size_t>((half * 32 + beat) * barFrames / 4.0);
        const auto to = static_cast<std::size_t>((half * 32 + beat + 1) * barFrames / 4.0);
        for (std::size_t i = from; i < to && i < mono.size(); ++i)
          mono[i] = static_cast<float>(0.3 * std::sin(twoPi * hz * static_cast<double>(i) / rate));
      }
    }
    return hookRestatement(mono, rate, 0, barFrames);
  };
  EXPECT_GT(melody(7u), 0.95);
  for (const unsigned seed : {8u, 9u, 10u})
    EXPECT_LT(melody(seed), 0.3) << seed;
}

// A file shorter than the piece, or at another rate, is measured for what it
// holds: the drops it lacks are missing from the figures, not read past its
// end.
TEST(TrackReport, MeasuresTracksShorterThanThePieceAtAnyRate) {
  struct Case {
    long rate;
    double seconds;
    std::size_t drops;
  };
  for (const Case c :
       {Case{44100, 1.0, 0}, Case{48000, 60.0, 0}, Case{22050, 100.0, 1}, Case{32000, 0.0, 0}}) {
    Track track;
    track.rate = c.rate;
    const std::vector<float> noise =
        whiteNoise(static_cast<std::size_t>(c.seconds * static_cast<double>(c.rate)), 11);
    track.interleaved = stereoOf(noise, noise);
    track.mono = noise;
    const ReportFigures r = measureTrack(track);
    EXPECT_NEAR(r.seconds, c.seconds, 1e-3);
    EXPECT_EQ(r.dropFigures.size(), c.drops) << c.seconds << " s";
    EXPECT_EQ(r.sections.size(), sectionSpans().size());
    for (const SectionFigures& s : r.sections)
      EXPECT_LE(s.to, c.seconds + 1e-9) << s.name;
    EXPECT_EQ(std::isfinite(r.integrated), c.seconds >= 1.0) << c.seconds << " s";
  }
}
