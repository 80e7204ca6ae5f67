// The mixer and the master end to end: the same bytes from the same piece
// however the work is cut up and on whichever thread, no offset left in what
// leaves the master, and a low end that stays mono through the room, the
// echo and the limiter.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <future>
#include <numbers>
#include <random>
#include <vector>

#include "music/master_chain.h"
#include "music/piece_renderer.h"
#include "music/score.h"
#include "music/synth_parts.h"

namespace {

const Score& piece() {
  static const Score score = composeScore(pieceSeed);
  return score;
}

// A span of the piece through a fresh renderer and master, in stretches of
// the given sizes, each rendered on its own thread as the generator does.
std::vector<float> mastered(std::int64_t start, const std::vector<std::int64_t>& stretches) {
  const PieceRenderer renderer(piece());
  MasterChain master;
  std::vector<float> out;
  for (const std::int64_t frames : stretches) {
    auto buses = std::async(std::launch::async,
                            [&renderer, start, frames] { return renderer.render(start, frames); });
    master.process(buses.get(), out);
    start += frames;
  }
  master.finish(out);
  return out;
}

// The energy below `cutoff` of a signal, after `settle` frames: the
// master's own two-pole low-pass, run twice for a steep edge.
double lowEnergy(const std::vector<double>& signal, double cutoff, std::size_t settle) {
  MasterLowPass first(cutoff), second(cutoff);
  double energy = 0.0;
  for (std::size_t i = 0; i < signal.size(); ++i) {
    const double low = second.process(first.process(signal[i]));
    if (i >= settle)
      energy += low * low;
  }
  return energy;
}

// A synthetic mix as the renderer hands it over: kick- and bass-like sines
// dry and centred, wide noise and tones above them, and the sends carrying
// broadband noise as the snare, clap and pads do. `offset` is added to every
// bus.
MixBuses syntheticMix(std::uint32_t seed, std::size_t frames, double level, double offset) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const double bass = 35.0 + 40.0 * (unit(random) + 1.0), kick = 50.0 + 40.0 * (unit(random) + 1.0);
  const double top = 600.0 + 2000.0 * (unit(random) + 1.0);
  MixBuses buses(frames);
  std::array<double, 2> previous{};
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / sampleRate;
    const double pulse = std::exp(-std::fmod(t, 0.4838) * 12.0); // a kick-like decay each beat
    const double low = 0.5 * std::sin(2 * std::numbers::pi * bass * t) +
                       0.6 * pulse * std::sin(2 * std::numbers::pi * kick * t);
    for (std::size_t c = 0; c < 2; ++c) {
      // Noise differenced, so the sides differ only high up, as hats and claps do.
      const double noise = unit(random);
      const double wide =
          0.2 * std::sin(2 * std::numbers::pi * top * (static_cast<double>(c) + 1.0) * t) +
          0.15 * (noise - previous[c]);
      previous[c] = noise;
      buses.dry[2 * i + c] = static_cast<float>(level * (low + wide) + offset);
      buses.reverb[2 * i + c] = static_cast<float>(level * 0.4 * unit(random) + offset);
      buses.echo[2 * i + c] = static_cast<float>(level * 0.3 * unit(random) + offset);
    }
  }
  return buses;
}

std::vector<float> throughMaster(const MixBuses& buses) {
  MasterChain master;
  std::vector<float> out;
  master.process(buses, out);
  master.finish(out);
  return out;
}

} // namespace

TEST(MasterChainTest, TheSameSpanGivesTheSameBytesHoweverItIsCut) {
  // A drop's start, with its crash, kick and sub, and the tail of the build.
  const std::int64_t start = sectionSpans()[2].start - 20000;
  const std::vector<float> once = mastered(start, {30000, 30000});
  const std::vector<float> again = mastered(start, {30000, 30000});
  const std::vector<float> recut = mastered(start, {4321, 40000, 15679});
  ASSERT_EQ(once.size(), 2u * 60000u);
  double energy = 0.0;
  for (std::size_t i = 0; i < once.size(); ++i) {
    ASSERT_TRUE(std::isfinite(once[i])) << i;
    // Bit for bit: the build's music must not depend on threads or stretch sizes.
    ASSERT_EQ(once[i], again[i]) << i;
    ASSERT_EQ(once[i], recut[i]) << i;
    energy += once[i] * once[i];
  }
  EXPECT_GT(energy / static_cast<double>(once.size()), 1e-4);
}

TEST(MasterChainTest, LeavesNoOffset) {
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    const double offset = 0.05 * seed * (seed % 2 == 0 ? 1.0 : -1.0);
    const std::size_t frames = 3 * 44100;
    const std::vector<float> out = throughMaster(syntheticMix(seed, frames, 0.3, offset));
    ASSERT_EQ(out.size(), 2 * frames);
    // After a second of settling, the mean of each side is far under the offset fed in.
    for (std::size_t c = 0; c < 2; ++c) {
      double sum = 0.0;
      for (std::size_t i = 44100; i < frames; ++i)
        sum += out[2 * i + c];
      EXPECT_LT(std::fabs(sum / static_cast<double>(frames - 44100)), 0.02 * std::fabs(offset))
          << "seed " << seed << " side " << c;
    }
  }
}

TEST(MasterChainTest, KeepsTheLowEndMonoWhileItLimits) {
  for (std::uint32_t seed = 10; seed < 16; ++seed) {
    // Loud enough that the limiter works hard on most cases.
    const double level = 0.4 + 0.4 * (seed % 3);
    const std::size_t frames = 2 * 44100;
    const std::vector<float> out = throughMaster(syntheticMix(seed, frames, level, 0.0));
    std::vector<double> mid(frames), side(frames);
    for (std::size_t i = 0; i < frames; ++i) {
      mid[i] = 0.5 * (out[2 * i] + out[2 * i + 1]);
      side[i] = 0.5 * (out[2 * i] - out[2 * i + 1]);
    }
    const double midLow = lowEnergy(mid, 150.0, 22050), sideLow = lowEnergy(side, 150.0, 22050);
    ASSERT_GT(midLow, 0.0);
    // The room and the echo give back their lows only faintly: below 150 Hz
    // the side stays 27 dB under the middle.
    EXPECT_LT(10.0 * std::log10(sideLow / midLow), -27.0) << "seed " << seed << " level " << level;
  }
}
