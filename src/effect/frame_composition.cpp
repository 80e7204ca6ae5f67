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
#include "effect/band_rows.h"
#include "effect/effect_state.h"
#include "effect/kernel_choice.h"
#include "effect/noise_sample.h"
#include "effect/row_kernels.h"

namespace {

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
    chosen = fastestRowKernels();
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

  const auto firstCount = static_cast<std::uint32_t>(state.frameCursor);
  prepareNoise(job, state.noiseTable, state.colourFactors, firstCount,
               static_cast<std::uint32_t>(state.timeCursor) - firstCount);
  drawBandRows(job);

  const NoiseColour last = noisePixelColour(job.noise, lastPixelSampleOf(noiseRowCount - 1));
  state.lastRed = last.red;
  state.lastGreen = last.green;
  state.lastBlue = last.blue;
  state.frameCursor = static_cast<std::int32_t>(firstCount + samplesPerFrame);
  state.timeCursor =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(state.timeCursor) + samplesPerFrame);
}
