// The instruments one note at a time: every voice stays finite and ends in
// silence, the noise voices survive a mono sum, the kick lands on the
// picture's 43 Hz at once, the riser falls away rather than stopping, and a
// note's low cut takes out what lies under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "music/instruments.h"
#include "music/synth_parts.h"

namespace {

constexpr int lastVoice = static_cast<int>(Voice::air);

Note noteOf(Voice voice, double pitch, std::uint64_t seed, double seconds = 0.3) {
  return {voice, 0, static_cast<std::int64_t>(seconds * sampleRate), pitch, 0.9, 0.2, 0.7, seed};
}

// The whole note, interleaved stereo.
std::vector<float> render(const Note& note) {
  std::vector<float> out(2 * static_cast<std::size_t>(soundingFrames(note)), 0.0f);
  renderNote(note, 0, soundingFrames(note), out.data());
  return out;
}

double channelCorrelation(const std::vector<float>& stereo) {
  double ll = 0.0, rr = 0.0, lr = 0.0;
  for (std::size_t i = 0; i + 1 < stereo.size(); i += 2) {
    ll += static_cast<double>(stereo[i]) * stereo[i];
    rr += static_cast<double>(stereo[i + 1]) * stereo[i + 1];
    lr += static_cast<double>(stereo[i]) * stereo[i + 1];
  }
  return lr / std::sqrt(ll * rr);
}

// Power of the left channel at `hz` (Goertzel) over [from, to) frames.
double powerAt(const std::vector<float>& stereo, double hz, std::size_t from, std::size_t to) {
  const double w = 2.0 * std::numbers::pi * hz / sampleRate;
  double s1 = 0.0, s2 = 0.0;
  for (std::size_t i = from; i < to; ++i) {
    const double s = stereo[2 * i] + 2.0 * std::cos(w) * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  return s1 * s1 + s2 * s2 - 2.0 * std::cos(w) * s1 * s2;
}

double energy(const std::vector<float>& stereo, std::size_t from, std::size_t to) {
  double sum = 0.0;
  for (std::size_t i = 2 * from; i < 2 * to && i < stereo.size(); ++i)
    sum += static_cast<double>(stereo[i]) * stereo[i];
  return sum;
}

} // namespace

TEST(InstrumentsTest, EveryVoiceStaysFiniteAndEndsInSilence) {
  for (int v = 0; v <= lastVoice; ++v)
    for (const double pitch : {28.0, 57.0, 81.0})
      for (const std::uint64_t seed : {1u, 77u}) {
        Note note = noteOf(static_cast<Voice>(v), pitch, seed);
        note.lowCut = seed == 77u ? 300.0 : 0.0;
        const std::vector<float> out = render(note);
        ASSERT_FALSE(out.empty()) << v;
        double peak = 0.0;
        for (const float s : out) {
          ASSERT_TRUE(std::isfinite(s)) << v;
          peak = std::max(peak, static_cast<double>(std::fabs(s)));
        }
        EXPECT_GT(peak, 1e-4) << "voice " << v << " is silent";
        EXPECT_LT(peak, 2.0) << "voice " << v;
        // The last frame is faded out: no step when the note is dropped.
        EXPECT_LT(std::fabs(out[out.size() - 2]), 1e-3 * peak + 1e-6) << "voice " << v;
        EXPECT_GE(duckDepth(note.voice), 0.0);
        EXPECT_LE(duckDepth(note.voice), 1.0);
      }
}

TEST(InstrumentsTest, NoiseVoicesKeepOneNoiseOnBothSides) {
  for (const Voice voice :
       {Voice::clap, Voice::snare, Voice::closedHat, Voice::openHat, Voice::shaker, Voice::ride})
    for (std::uint64_t seed = 1; seed < 20; ++seed) {
      Note note = noteOf(voice, 0, seed);
      note.pan = 0.0;
      EXPECT_GT(channelCorrelation(render(note)), 0.6)
          << "voice " << static_cast<int>(voice) << " seed " << seed;
    }
}

TEST(InstrumentsTest, TheKickLandsOnItsFundamentalAtOnce) {
  const std::vector<float> out = render(noteOf(Voice::kick, 0, 5));
  // Settled on 43 Hz, the show's first spectrum bin, within 25 ms...
  const std::size_t settled = static_cast<std::size_t>(0.025 * sampleRate);
  const std::size_t late = static_cast<std::size_t>(0.2 * sampleRate);
  EXPECT_GT(powerAt(out, 43.0, settled, late), 4.0 * powerAt(out, 60.0, settled, late));
  EXPECT_GT(powerAt(out, 43.0, settled, late), 4.0 * powerAt(out, 30.0, settled, late));
  // ...and loudest in its first 30 ms, not after.
  const std::size_t step = static_cast<std::size_t>(0.01 * sampleRate);
  double loudest = 0.0;
  std::size_t loudestAt = 0;
  for (std::size_t at = 0; at + step < out.size() / 2; at += step)
    if (const double e = energy(out, at, at + step); e > loudest) {
      loudest = e;
      loudestAt = at;
    }
  EXPECT_LT(loudestAt, 3 * step);
}

TEST(InstrumentsTest, TheRiserFallsAwayAfterItsNoteRatherThanStopping) {
  const Note note = noteOf(Voice::riser, 0, 9, 4.0);
  const std::vector<float> out = render(note);
  const auto gate = static_cast<std::size_t>(note.length);
  const std::size_t tenth = static_cast<std::size_t>(0.1 * sampleRate);
  const double before = energy(out, gate - tenth, gate);
  const double after = energy(out, gate, gate + tenth);
  const double end = energy(out, out.size() / 2 - tenth, out.size() / 2);
  EXPECT_GT(after, 0.1 * before);
  EXPECT_LT(after, before);
  EXPECT_LT(end, 0.01 * before);
}

TEST(InstrumentsTest, ALowCutTakesOutWhatLiesUnderIt) {
  for (const Voice voice : {Voice::pad, Voice::counter, Voice::arp}) {
    Note open = noteOf(voice, 45, 3, 1.0); // A2, 110 Hz
    Note thinned = open;
    thinned.lowCut = 400.0;
    const std::vector<float> a = render(open), b = render(thinned);
    const std::size_t from = static_cast<std::size_t>(0.3 * sampleRate);
    const std::size_t to = static_cast<std::size_t>(0.9 * sampleRate);
    // The fundamental falls by more than 20 dB; the partials above the cut stay.
    EXPECT_LT(powerAt(b, 110.0, from, to), 0.01 * powerAt(a, 110.0, from, to))
        << static_cast<int>(voice);
    EXPECT_GT(powerAt(b, 770.0, from, to), 0.3 * powerAt(a, 770.0, from, to))
        << static_cast<int>(voice);
  }
}
