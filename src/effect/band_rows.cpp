#include "effect/band_rows.h"

#include <cstddef>

#include "effect/band_layout.h"
#include "effect/noise_sample.h"

namespace {

// Every value a filled table can hold.
constexpr int tableValueCount = 255;

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

std::uint32_t firstSampleOf(int bandRow) {
  return static_cast<std::uint32_t>(bandRow) * static_cast<std::uint32_t>(samplesPerRow);
}

} // namespace

void prepareNoise(FrameJob& job, const NoiseTable& noiseTable, const ColourFactors& factors,
                  std::uint32_t firstCount, std::uint32_t timeOffset) {
  prepareChannel(noiseTable, factors.redFactor, 16, job.channelSamples[0], job.channelBits[0]);
  prepareChannel(noiseTable, factors.greenFactor, 8, job.channelSamples[1], job.channelBits[1]);
  prepareChannel(noiseTable, factors.blueFactor, 0, job.channelSamples[2], job.channelBits[2]);
  job.noise.firstCount = firstCount;
  job.noise.timeOffset = timeOffset;
  for (std::size_t channel = 0; channel < 3; ++channel) {
    job.noise.channelSamples[channel] = job.channelSamples[channel].data();
    job.noise.channelBits[channel] = job.channelBits[channel].data();
  }
}

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
