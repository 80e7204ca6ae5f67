// The show's composition. Instead of walking the counters sample by sample it
// uses their closed form (sample k of a frame has the counters start + k), so
// rows are independent: the channel samples for each table index are prepared
// once per frame, rows are drawn by SIMD kernels on up to two threads, and the
// counters and last colour are set to where the straight loop leaves them.
#include "effect/frame_composition.h"

#include <array>
#include <cstddef>
#include <optional>
#include <thread>

#include "effect/band_layout.h"
#include "effect/colour_factors.h"
#include "effect/noise_sample.h"
#include "effect/noise_table.h"
#include "effect/random.h"
#include "effect/row_kernels.h"
#include "effect/row_workers.h"
#include "images/image_bank.h"

std::int32_t frameCursor = 0;
std::int32_t timeCursor = 0;
std::int32_t lastRed = 0;
std::int32_t lastGreen = 0;
std::int32_t lastBlue = 0;

namespace {

// Every value a filled table can hold.
constexpr int tableValueCount = 255;

using ChannelSamples = std::array<std::int32_t, noiseTableSize>;
alignas(64) std::array<ChannelSamples, 3> channelSamples{};

int defaultThreads() {
  return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

int compositionThreads = defaultThreads();
RowKernels kernels = bestRowKernels();

// What the row workers read while a frame is being drawn.
struct FrameJob {
  NoiseFrame noise;
  const Image* image = nullptr;
  std::uint32_t* pixels = nullptr;
};
FrameJob job;

void prepareChannel(float factor, ChannelSamples& samples) {
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
}

std::uint32_t* rowAddress(int y) {
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
void drawBandRows(int firstRow, int endRow) {
  for (int bandRow = firstRow; bandRow < endRow; ++bandRow) {
    const int y = bottomNoiseRow - 2 * bandRow;
    const bool hasImage = rowHasImageBelow(y);
    // The picture is a fresh one from a 20 MB bank every frame: its row is
    // fetched while the noise row above it is computed.
    const std::uint32_t* values =
        hasImage ? job.image->data() +
                       static_cast<std::ptrdiff_t>(y + 1 - firstImageScreenRow) * imageWidth
                 : rowAddress(y);
    kernels.noiseRow(job.noise, firstSampleOf(bandRow), rowAddress(y), values);
    if (hasImage) {
      const NoiseColour tint = noisePixelColour(job.noise, lastPixelSampleOf(bandRow));
      kernels.imageRow(tint, values, rowAddress(y + 1));
    }
  }
}

void drawRuleLines(std::uint32_t imageIndex) {
  // Each line alternates every 16 pixels between two greys.
  std::array<std::uint32_t, 2> lowerGreys{};
  std::array<std::uint32_t, 2> upperGreys{};
  for (std::uint32_t half = 0; half < 2; ++half) {
    const std::uint32_t t = half * 16u + imageIndex;
    lowerGreys[half] = ruleGrey(noiseTable[t & 16u]);
    upperGreys[half] = ruleGrey(noiseTable[t & 17u]);
  }
  for (int k = 0; k < ruleLineCount; ++k) {
    std::uint32_t* lower = rowAddress(lowerRuleRow - 2 * k);
    std::uint32_t* upper = rowAddress(upperRuleRow - 2 * k);
    for (int x = 0; x < frameWidth; ++x) {
      const std::size_t half = (static_cast<std::size_t>(x) >> 4) & 1u;
      lower[x] = lowerGreys[half];
      upper[x] = upperGreys[half];
    }
  }
}

} // namespace

void startFrameCounters(std::uint32_t elapsed) {
  constexpr std::uint32_t samplesPerMillisecond = 2000;
  frameCursor = 0;
  timeCursor = static_cast<std::int32_t>(elapsed * samplesPerMillisecond);
}

void setCompositionThreads(int threads) {
  compositionThreads = threads < 1 ? 1 : threads;
}

bool setCompositionKernels(CompositionKernels choice) {
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
  kernels = *chosen;
  return true;
}

void composeFrame(std::uint32_t* pixels) {
  const auto imageIndex = static_cast<std::uint32_t>(nextRandom() % imageCount);
  job.pixels = pixels;
  job.image = &imageBank[imageIndex];
  drawRuleLines(imageIndex);

  prepareChannel(colourFactors.redFactor, channelSamples[0]);
  prepareChannel(colourFactors.greenFactor, channelSamples[1]);
  prepareChannel(colourFactors.blueFactor, channelSamples[2]);
  const auto firstCount = static_cast<std::uint32_t>(frameCursor);
  job.noise.firstCount = firstCount;
  job.noise.timeOffset = static_cast<std::uint32_t>(timeCursor) - firstCount;
  for (std::size_t channel = 0; channel < 3; ++channel) {
    job.noise.channelSamples[channel] = channelSamples[channel].data();
  }

  runRows(drawBandRows, noiseRowCount, compositionThreads);

  const NoiseColour last = noisePixelColour(job.noise, lastPixelSampleOf(noiseRowCount - 1));
  lastRed = last.red;
  lastGreen = last.green;
  lastBlue = last.blue;
  frameCursor = static_cast<std::int32_t>(firstCount + samplesPerFrame);
  timeCursor = static_cast<std::int32_t>(static_cast<std::uint32_t>(timeCursor) + samplesPerFrame);
}
