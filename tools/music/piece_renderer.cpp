#include "music/piece_renderer.h"

#include <algorithm>
#include <cmath>

#include "music/instruments.h"
#include "music/synth_parts.h"

namespace {

constexpr double duckDepth = 0.75;
constexpr double duckRecovery = 0.12; // seconds
// The kick and bass are rounded on their own bus, saturating towards this
// level, so their peaks give way before the master has to catch them.
constexpr double lowCeiling = 0.2;
constexpr double lowGain = 2.1;
// The rest sits lower than the low end: its stacked peaks, not the kick's,
// set how hard the limiter works.
constexpr double masterGain = 1.75;

struct Bus {
  std::vector<float> dry, ducked;
  explicit Bus(std::size_t frames) : dry(2 * frames), ducked(2 * frames) {}
};

} // namespace

PieceRenderer::PieceRenderer(const Score& score) : score_(score) {
  for (const Note& note : score_.notes)
    tailReach_ = std::max(tailReach_, soundingFrames(note));
}

MixBuses PieceRenderer::render(std::int64_t start, std::int64_t frames) const {
  const auto count = static_cast<std::size_t>(frames);
  // Low end and the rest, each split into what the kick ducks and what it does not.
  Bus low(count), rest(count);
  MixBuses out(count);
  std::vector<float> note;
  const std::int64_t end = start + frames;

  auto place = [&](const Note& n, std::int64_t noteStart) {
    const std::int64_t sounding = soundingFrames(n);
    if (noteStart >= end || noteStart + sounding <= start)
      return;
    const std::int64_t from = std::max<std::int64_t>(0, start - noteStart);
    const std::int64_t to = std::min(sounding, end - noteStart);
    note.assign(2 * static_cast<std::size_t>(to - from), 0.0f);
    renderNote(n, from, to, note.data());
    Bus& bus = isLowEnd(n.voice) ? low : rest;
    std::vector<float>& target = isDucked(n.voice) ? bus.ducked : bus.dry;
    const auto offset = 2 * static_cast<std::size_t>(noteStart + from - start);
    const Sends sends = sendsOf(n.voice);
    for (std::size_t i = 0; i < note.size(); ++i)
      target[offset + i] += note[i];
    // Most notes of the piece are drums and bass, which stay dry.
    if (sends.reverb == 0.0 && sends.echo == 0.0)
      return;
    for (std::size_t i = 0; i < note.size(); ++i) {
      out.reverb[offset + i] += static_cast<float>(sends.reverb * masterGain) * note[i];
      out.echo[offset + i] += static_cast<float>(sends.echo * masterGain) * note[i];
    }
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
    for (std::size_t c = 0; c < 2; ++c) {
      const std::size_t at = 2 * i + c;
      const double lowEnd =
          lowCeiling * std::tanh((low.dry[at] + duck * low.ducked[at]) / lowCeiling);
      const double mix = rest.dry[at] + duck * rest.ducked[at];
      out.dry[at] = static_cast<float>(lowGain * lowEnd + masterGain * mix);
    }
  }
  return out;
}
