#include "music/piece_renderer.h"

#include <algorithm>
#include <cmath>

#include "music/instruments.h"
#include "music/synth_parts.h"

namespace {

constexpr double duckRecovery = 0.1; // seconds
// The kick and bass are rounded on their own bus, saturating towards this
// level, so their peaks give way before the master has to catch them.
constexpr double lowCeiling = 0.3;
constexpr double lowGain = 1.7;
// The rest sits lower than the low end: its stacked peaks, not the kick's,
// set how hard the limiter works, so they are rounded on their way in too,
// more gently.
constexpr double masterGain = 2.35;
constexpr double restCeiling = 0.3;

} // namespace

PieceRenderer::PieceRenderer(const Score& score) : score_(score) {
  for (const Note& note : score_.notes)
    tailReach_ = std::max(tailReach_, soundingFrames(note));
}

MixBuses PieceRenderer::render(std::int64_t start, std::int64_t frames) const {
  const auto count = static_cast<std::size_t>(frames);
  // The low end and the rest, each with what gives way to the kick already
  // pulled down.
  std::vector<float> low(2 * count), rest(2 * count);
  MixBuses out(count);
  std::vector<float> note;
  const std::int64_t end = start + frames;

  // How far the last kick still pulls things down, frame by frame: 1 on the
  // kick, falling away.
  std::vector<float> kickPull(count);
  auto kick = std::upper_bound(score_.kicks.begin(), score_.kicks.end(), start);
  for (std::size_t i = 0; i < count; ++i) {
    const std::int64_t frame = start + static_cast<std::int64_t>(i);
    while (kick != score_.kicks.end() && *kick <= frame)
      ++kick;
    if (kick != score_.kicks.begin()) {
      const double since = static_cast<double>(frame - *(kick - 1)) / sampleRate;
      kickPull[i] = static_cast<float>(std::exp(-since / duckRecovery));
    }
  }

  auto place = [&](const Note& n, std::int64_t noteStart) {
    const std::int64_t sounding = soundingFrames(n);
    if (noteStart >= end || noteStart + sounding <= start)
      return;
    const std::int64_t from = std::max<std::int64_t>(0, start - noteStart);
    const std::int64_t to = std::min(sounding, end - noteStart);
    note.assign(2 * static_cast<std::size_t>(to - from), 0.0f);
    renderNote(n, from, to, note.data());
    const auto first = static_cast<std::size_t>(noteStart + from - start);
    const std::size_t offset = 2 * first;
    // The sends take the note as played: the room does not pump.
    const Sends sends = sendsOf(n.voice);
    if (sends.reverb != 0.0 || sends.echo != 0.0)
      for (std::size_t i = 0; i < note.size(); ++i) {
        out.reverb[offset + i] += static_cast<float>(sends.reverb * masterGain) * note[i];
        out.echo[offset + i] += static_cast<float>(sends.echo * masterGain) * note[i];
      }
    std::vector<float>& target = isLowEnd(n.voice) ? low : rest;
    const double depth = duckDepth(n.voice);
    for (std::size_t i = 0; i < note.size(); ++i)
      target[offset + i] +=
          depth > 0.0 ? static_cast<float>(1.0 - depth * kickPull[first + i / 2]) * note[i]
                      : note[i];
  };
  for (const Note& n : score_.notes) {
    if (n.start >= end)
      break; // sorted by start
    place(n, n.start);
  }
  // Tails that ring past the end come round to the start.
  for (auto n = score_.notes.rbegin();
       n != score_.notes.rend() && n->start > score_.frames - tailReach_; ++n)
    place(*n, n->start - score_.frames);

  for (std::size_t at = 0; at < 2 * count; ++at) {
    const double lowEnd = lowCeiling * std::tanh(low[at] / lowCeiling);
    const double rounded = restCeiling * std::tanh(rest[at] / restCeiling);
    out.dry[at] = static_cast<float>(lowGain * lowEnd + masterGain * rounded);
  }
  return out;
}
