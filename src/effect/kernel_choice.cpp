#include "effect/kernel_choice.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <chrono>
#include <cstddef>
#include <limits>
#include <memory>

#include "effect/band_rows.h"
#include "effect/pixel.h"
#include "effect/random.h"

namespace {

// One frame to warm the caches and two to compare: enough for the best time
// of each set to stand clear of the others on a busy machine.
constexpr int timingRounds = 3;
// A frame as the show draws it 31 s in; how fast a kernel is hardly depends
// on which frame.
constexpr std::uint32_t sampleTimeOffset = 31000u * 2000u;
constexpr ColourFactors sampleFactors{1.0f, 0.5f, 0.25f};

// A frame's tables, picture and surface of its own, so that timing touches
// nothing of the show's.
struct ScratchFrame {
  FrameJob job;
  Image image{};
  std::array<std::uint32_t, static_cast<std::size_t>(frameWidth) * frameHeight> surface{};

  ScratchFrame() {
    NoiseTable noiseTable{};
    std::uint32_t randomState = randomSeed;
    fillNoiseTable(noiseTable, randomState);
    prepareNoise(job, noiseTable, sampleFactors, 0, sampleTimeOffset);
    for (std::size_t i = 0; i < image.size(); ++i) {
      image[i] = static_cast<std::uint32_t>(i % 3);
    }
    job.image = &image;
    job.pixels = surface.data();
  }

  double time(const RowKernels& kernels) {
    using Clock = std::chrono::steady_clock;
    job.kernels = kernels;
    const Clock::time_point start = Clock::now();
    drawBandRows(job);
    return std::chrono::duration<double>(Clock::now() - start).count();
  }
};

} // namespace

std::vector<RowKernels> supportedRowKernels() {
  std::vector<RowKernels> kernels;
  for (const auto& supported : {avx512RowKernelsIfSupported(), avx2RowKernelsIfSupported()}) {
    if (supported) {
      kernels.push_back(*supported);
    }
  }
  kernels.push_back(portableRowKernels());
  return kernels;
}

RowKernels chooseFastestKernels(std::span<const RowKernels> candidates, const FrameTimer& timeFrame,
                                int rounds) {
  assert(!candidates.empty());
  std::vector<double> bestTimes(candidates.size(), std::numeric_limits<double>::infinity());
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      const double seconds = timeFrame(candidates[i]);
      if (!(seconds > 0.0)) {
        return candidates.front(); // a clock too coarse for a frame ranks nothing
      }
      bestTimes[i] = std::min(bestTimes[i], seconds);
    }
  }
  // On a tie the wider set, the one listed first.
  const auto fastest = std::min_element(bestTimes.begin(), bestTimes.end()) - bestTimes.begin();
  return candidates[static_cast<std::size_t>(fastest)];
}

RowKernels measureFastestRowKernels(std::span<const RowKernels> candidates) {
  if (candidates.size() == 1) {
    return candidates.front();
  }
  const auto scratch = std::make_unique<ScratchFrame>();
  return chooseFastestKernels(
      candidates, [&scratch](const RowKernels& kernels) { return scratch->time(kernels); },
      timingRounds);
}

RowKernels fastestRowKernels() {
  static const RowKernels fastest = measureFastestRowKernels(supportedRowKernels());
  return fastest;
}
