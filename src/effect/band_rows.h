#pragma once
// The kernel-driven part of the fast composition: the tables a frame's noise
// rows read, and the drawing of its 139 noise rows and 40 picture rows. The
// composition runs it on the surface; the kernel choice runs it on scratch
// frames to time each kernel set.

#include <array>
#include <cstddef>
#include <cstdint>

#include "effect/colour_factors.h"
#include "effect/pixel.h"
#include "effect/noise_table.h"
#include "effect/row_kernels.h"
#include "images/image_bank.h"

using ChannelSamples = std::array<std::int32_t, channelTableSize>;
using ChannelBits = std::array<std::uint32_t, channelTableSize>;

// What the row drawing reads while a frame is being drawn.
struct FrameJob {
  NoiseFrame noise;
  RowKernels kernels{};
  const Image* image = nullptr;
  std::uint32_t* pixels = nullptr;
  alignas(64) std::array<ChannelSamples, 3> channelSamples;
  alignas(64) std::array<ChannelBits, 3> channelBits;
};

inline std::uint32_t* rowAddress(const FrameJob& job, int y) {
  return job.pixels + static_cast<std::ptrdiff_t>(y) * frameWidth;
}

// Fills the job's channel tables for these factors and sets its counters.
void prepareNoise(FrameJob& job, const NoiseTable& noiseTable, const ColourFactors& factors,
                  std::uint32_t firstCount, std::uint32_t timeOffset);

// Draws the noise rows and their picture rows with the job's kernels.
void drawBandRows(const FrameJob& job);

// The sample at which pixel x = 0 of a band row starts: its colour is the
// last colour once that row is drawn.
std::uint32_t lastPixelSampleOf(int bandRow);
