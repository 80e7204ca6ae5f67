// Composes the show's music and writes it as Ogg Vorbis:
//   make_music OUTPUT.ogg
// Stretches are rendered ahead on other threads while this one encodes.

#include <algorithm>
#include <cstdio>
#include <deque>
#include <exception>
#include <filesystem>
#include <future>
#include <vector>

#include "music/piece_renderer.h"
#include "music/score.h"
#include "music/vorbis_writer.h"

namespace {

constexpr std::uint64_t pieceSeed = 0x731030321;
constexpr std::int64_t stretchFrames = 1 << 18; // about 6 s
constexpr std::size_t stretchesAhead = 2;
constexpr float encodingQuality = 0.4f;

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
      const std::vector<float> stereo = pending.front().get();
      pending.pop_front();
      if (next < score.frames)
        queue();
      writer.write(stereo.data(), stereo.size() / 2);
    }
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
