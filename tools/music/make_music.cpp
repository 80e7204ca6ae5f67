// Composes the show's music and writes it as Ogg Vorbis:
//   make_music OUTPUT.ogg
// Stretches are rendered ahead on other threads while this one encodes.

#include <algorithm>
#include <array>
#include <cstdio>
#include <deque>
#include <exception>
#include <filesystem>
#include <future>
#include <vector>

#include "music/peak_limiter.h"
#include "music/piece_renderer.h"
#include "music/score.h"
#include "music/synth_parts.h"
#include "music/vorbis_writer.h"

namespace {

constexpr std::uint64_t pieceSeed = 0x731030321;
constexpr std::int64_t stretchFrames = 1 << 18; // about 6 s
constexpr std::size_t stretchesAhead = 2;
constexpr float encodingQuality = 0.4f;
// True peaks stay 3 dB under full scale before encoding: the encoder adds
// about 1.5 dB of its own.
constexpr double limiterCeiling = 0.7;
constexpr double masterTop = 15000.0;         // Hz, under the encoder's own cut-off
constexpr std::size_t limiterLookahead = 220; // 5 ms
constexpr double limiterRelease = 0.08;       // seconds

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_music OUTPUT.ogg\n");
    return 2;
  }
  const std::filesystem::path output = argv[1];
  // Written aside and renamed, so an interrupted build leaves no half file behind.
  const std::filesystem::path partial = output.string() + ".part";
  try {
    const Score score = composeScore(pieceSeed);
    const PieceRenderer renderer(score);
    VorbisWriter writer(partial.string(), 2, 44100, encodingQuality);

    std::array<DcBlocker, 2> dcBlockers;
    std::array<MasterLowPass, 2> lowPasses{MasterLowPass(masterTop), MasterLowPass(masterTop)};
    PeakLimiter limiter(limiterCeiling, limiterLookahead, limiterRelease, 44100.0);
    std::vector<float> limited;
    std::deque<std::future<std::vector<float>>> pending;
    std::int64_t next = 0;
    auto queue = [&] {
      const std::int64_t frames = std::min(stretchFrames, score.frames - next);
      const std::int64_t start = next;
      pending.push_back(std::async(std::launch::async, [&renderer, start, frames] {
        std::vector<float> stereo(2 * static_cast<std::size_t>(frames));
        renderer.render(start, frames, stereo.data());
        return stereo;
      }));
      next += frames;
    };
    while (next < score.frames && pending.size() < stretchesAhead)
      queue();
    while (!pending.empty()) {
      std::vector<float> stereo = pending.front().get();
      pending.pop_front();
      if (next < score.frames)
        queue();
      // The master stages that need the stretches in order.
      for (std::size_t i = 0; i < stereo.size(); ++i)
        stereo[i] =
            static_cast<float>(lowPasses[i % 2].process(dcBlockers[i % 2].process(stereo[i])));
      limited.clear();
      limiter.process(stereo.data(), stereo.size() / 2, limited);
      writer.write(limited.data(), limited.size() / 2);
    }
    limited.clear();
    limiter.finish(limited);
    writer.write(limited.data(), limited.size() / 2);
    writer.finish();
    std::filesystem::rename(partial, output);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_music: %s\n", error.what());
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    return 1;
  }
  return 0;
}
