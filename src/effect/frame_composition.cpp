// The show's composition. Instead of walking the counters sample by sample it
// uses their closed form (sample k of a frame has the counters start + k), so
// rows are independent: the channel samples for each table index are prepared
// once per frame, rows are drawn by SIMD kernels, and the
// counters and last colour are set to where the straight loop leaves them.
#include "effect/frame_composition.h"

#include <array>
#include <cstddef>
#include <optional>

#include "effect/band_layout.h"
#include "effect/effect_state.h"
#include "effect/noise_sample.h"
#include "effect/row_kernels.h"

namespace {

// Every value a filled table can hold.
constexpr int tableValueCount = 255;

using ChannelSamples = std::array<std::int32_t, channelTableSize>;
using ChannelBits = std::array<std::uint32_t, channelTableSize>;

// What the row drawing reads while a frame is being drawn.
struct FrameJob {
  NoiseFrame noise;
  RowKernels kernels;
  const Image* image = nullptr;
  std::uint32_t* pixels = nullptr;
  alignas(64) std::array<ChannelSamples, 3> channelSamples;
  alignas(64) std::array<ChannelBits, 3> channelBits;
};

void prepareChannel(const NoiseTable& noiseTable, float factor, int shift, ChannelSamples& samples,
                    ChannelBits& bits) {
  std::array<std::int32_t, tableValueCount> byValue{};
  for (int value = 0; value < tableValueCount; ++value) {
    byValue[static_cast<std::size_t>(value)] = noiseSampleValue(value, factor);
  }
  for (std::size_t index = 0; index < noiseTableSize; ++index) {
    const std::int32_t value = noiseTable[index];
    samples[index] = (value >= 0 && value < tableValueCount)
                         ? byValue[static_cast<std::size_t>(value)]
                         : noiseSampleValue(value, factor);
  }
  samples[silentIndex] = 0;
  for (std::size_t index = 0; index < channelTableSize; ++index) {
    bits[index] = static_cast<std::uint32_t>(samples[index]) << shift;
  }
}

std::uint32_t* rowAddress(const FrameJob& job, int y) {
  return job.pixels + static_cast<std::ptrdiff_t>(y) * frameWidth;
}

std::uint32_t firstSampleOf(int bandRow) {
  return static_cast<std::uint32_t>(bandRow) * static_cast<std::uint32_t>(samplesPerRow);
}

// The sample at which pixel x = 0 of a band row starts: its colour is the
// last colour once that row is drawn.
std::uint32_t lastPixelSampleOf(int bandRow) {
  return firstSampleOf(bandRow) + static_cast<std::uint32_t>((frameWidth - 1) * samplesPerPixel);
}

// Band row i is noise row 378 - 2i, followed by its picture row if it has one.
void drawBandRows(const FrameJob& job) {
  for (int bandRow = 0; bandRow < noiseRowCount; ++bandRow) {
    const int y = bottomNoiseRow - 2 * bandRow;
    const bool hasImage = rowHasImageBelow(y);
    // The picture is a fresh one from a 20 MB bank every frame: its row is
    // fetched while the noise row above it is computed.
    const std::uint32_t* values =
        hasImage ? job.image->data() +
                       static_cast<std::ptrdiff_t>(y + 1 - firstImageScreenRow) * imageWidth
                 : rowAddress(job, y);
    job.kernels.noiseRow(job.noise, firstSampleOf(bandRow), rowAddress(job, y), values);
    if (hasImage) {
      const NoiseColour tint = noisePixelColour(job.noise, lastPixelSampleOf(bandRow));
      job.kernels.imageRow(tint, values, rowAddress(job, y + 1));
    }
  }
}

void drawRuleLines(const FrameJob& job, const NoiseTable& noiseTable, std::uint32_t imageIndex) {
  // Each line alternates every 16 pixels between two greys.
  std::array<std::uint32_t, 2> lowerGreys{};
  std::array<std::uint32_t, 2> upperGreys{};
  for (std::uint32_t half = 0; half < 2; ++half) {
    const std::uint32_t t = half * 16u + imageIndex;
    lowerGreys[half] = ruleGrey(noiseTable[t & 16u]);
    upperGreys[half] = ruleGrey(noiseTable[t & 17u]);
  }
  for (int k = 0; k < ruleLineCount; ++k) {
    std::uint32_t* lower = rowAddress(job, lowerRuleRow - 2 * k);
    std::uint32_t* upper = rowAddress(job, upperRuleRow - 2 * k);
    for (int x = 0; x < frameWidth; ++x) {
      const std::size_t half = (static_cast<std::size_t>(x) >> 4) & 1u;
      lower[x] = lowerGreys[half];
      upper[x] = upperGreys[half];
    }
  }
}

} // namespace

void startFrameCounters(EffectState& state, std::uint32_t elapsed) {
  constexpr std::uint32_t samplesPerMillisecond = 2000;
  state.frameCursor = 0;
  state.timeCursor = static_cast<std::int32_t>(elapsed * samplesPerMillisecond);
}

bool setCompositionKernels(EffectState& state, CompositionKernels choice) {
  std::optional<RowKernels> chosen;
  switch (choice) {
  case CompositionKernels::best:
    chosen = bestRowKernels();
    break;
  case CompositionKernels::avx512:
    chosen = avx512RowKernelsIfSupported();
    break;
  case CompositionKernels::avx2:
    chosen = avx2RowKernelsIfSupported();
    break;
  case CompositionKernels::portable:
    chosen = portableRowKernels();
    break;
  }
  if (!chosen) {
    return false;
  }
  state.kernels = *chosen;
  return true;
}

void composeFrame(EffectState& state, std::uint32_t* pixels) {
  const auto imageIndex = static_cast<std::uint32_t>(nextRandom(state.randomState) % imageCount);
  FrameJob job; // about 48 KB of tables, filled below
  job.kernels = state.kernels;
  job.pixels = pixels;
  job.image = &state.imageBank[imageIndex];
  drawRuleLines(job, state.noiseTable, imageIndex);

  const ColourFactors& factors = state.colourFactors;
  prepareChannel(state.noiseTable, factors.redFactor, 16, job.channelSamples[0],
                 job.channelBits[0]);
  prepareChannel(state.noiseTable, factors.greenFactor, 8, job.channelSamples[1],
                 job.channelBits[1]);
  prepareChannel(state.noiseTable, factors.blueFactor, 0, job.channelSamples[2],
                 job.channelBits[2]);
  const auto firstCount = static_cast<std::uint32_t>(state.frameCursor);
  job.noise.firstCount = firstCount;
  job.noise.timeOffset = static_cast<std::uint32_t>(state.timeCursor) - firstCount;
  for (std::size_t channel = 0; channel < 3; ++channel) {
    job.noise.channelSamples[channel] = job.channelSamples[channel].data();
    job.noise.channelBits[channel] = job.channelBits[channel].data();
  }

  drawBandRows(job);

  const NoiseColour last = noisePixelColour(job.noise, lastPixelSampleOf(noiseRowCount - 1));
  state.lastRed = last.red;
  state.lastGreen = last.green;
  state.lastBlue = last.blue;
  state.frameCursor = static_cast<std::int32_t>(firstCount + samplesPerFrame);
  state.timeCursor =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(state.timeCursor) + samplesPerFrame);
}
