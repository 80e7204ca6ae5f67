#include "music/piece_renderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "music/instruments.h"
#include "music/synth_parts.h"

namespace {

constexpr double duckDepth = 0.65;
constexpr double duckRecovery = 0.12; // seconds
// The kick and bass are rounded on their own bus, gently, so their peaks give
// way before the master has to catch them.
constexpr double lowDrive = 1.4;
constexpr double masterGain = 1.8;
constexpr double finalFadeSeconds = 1.5;

} // namespace

void PieceRenderer::render(std::int64_t start, std::int64_t frames, float* stereo) const {
  const auto count = static_cast<std::size_t>(frames);
  // Low end and the rest, each split into what the kick ducks and what it does not.
  std::vector<float> dry(2 * count, 0.0f), ducked(2 * count, 0.0f);
  std::vector<float> lowDry(2 * count, 0.0f), lowDucked(2 * count, 0.0f);
  const std::int64_t end = start + frames;

  for (const Note& note : score_.notes) {
    if (note.start >= end)
      break; // sorted by start
    const std::int64_t sounding = soundingFrames(note);
    if (note.start + sounding <= start)
      continue;
    const std::int64_t from = std::max<std::int64_t>(0, start - note.start);
    const std::int64_t to = std::min(sounding, end - note.start);
    const bool low = isLowEnd(note.voice);
    float* target =
        isDucked(note.voice) ? (low ? lowDucked : ducked).data() : (low ? lowDry : dry).data();
    renderNote(note, from, to, target + 2 * (note.start + from - start));
  }

  // Everything that gives way to the kick is pulled down at each kick and recovers.
  auto kick = std::upper_bound(score_.kicks.begin(), score_.kicks.end(), start);
  for (std::size_t i = 0; i < count; ++i) {
    const std::int64_t frame = start + static_cast<std::int64_t>(i);
    while (kick != score_.kicks.end() && *kick <= frame)
      ++kick;
    double duck = 1.0;
    if (kick != score_.kicks.begin()) {
      const double since = static_cast<double>(frame - *(kick - 1)) / sampleRate;
      duck = 1.0 - duckDepth * std::exp(-since / duckRecovery);
    }
    const double left = static_cast<double>(score_.frames - frame) / sampleRate;
    const double fade = std::clamp(left / finalFadeSeconds, 0.0, 1.0);
    for (std::size_t c = 0; c < 2; ++c) {
      const std::size_t at = 2 * i + c;
      const double lowEnd = std::tanh(lowDrive * (lowDry[at] + duck * lowDucked[at])) / lowDrive;
      const double mix = lowEnd + dry[at] + duck * ducked[at];
      stereo[at] = static_cast<float>(fade * masterGain * mix);
    }
  }
}
