// Composes the show's music and writes it as Ogg Vorbis:
//   make_music OUTPUT.ogg
// Stretches are rendered ahead on other threads while this one encodes.

#include <algorithm>
#include <cstdio>
#include <deque>
#include <exception>
#include <future>
#include <vector>

#include "music/master_chain.h"
#include "music/piece_renderer.h"
#include "music/score.h"
#include "music/vorbis_writer.h"
#include "output/output_file.h"

namespace {

constexpr std::int64_t stretchFrames = 1 << 18; // about 6 s
constexpr std::size_t stretchesAhead = 2;
constexpr float encodingQuality = 0.4f;
// The master runs over the piece's last seconds first, so that its reverb,
// echo and limiter enter the start as they leave the end: the loop's join.
constexpr std::int64_t prerollFrames = 4 * std::int64_t{outputFrequency};

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_music OUTPUT.ogg\n");
    return 2;
  }
  try {
    // Written aside and named when complete, so an interrupted build leaves
    // no half file behind; a rebuild replaces the last one.
    OutputRules rules;
    rules.replace = true;
    OutputFile output(argv[1], rules);
    const Score score = composeScore(pieceSeed);
    const PieceRenderer renderer(score);
    VorbisWriter writer(output.writePath(), 2, outputFrequency, encodingQuality);
    MasterChain master;
    std::vector<float> finished;
    master.skip(static_cast<std::size_t>(prerollFrames));
    master.process(renderer.render(score.frames - prerollFrames, prerollFrames), finished);

    std::deque<std::future<MixBuses>> pending;
    std::int64_t next = 0;
    auto queue = [&] {
      const std::int64_t frames = std::min(stretchFrames, score.frames - next);
      const std::int64_t start = next;
      pending.push_back(std::async(std::launch::async, [&renderer, start, frames] {
        return renderer.render(start, frames);
      }));
      next += frames;
    };
    while (next < score.frames && pending.size() < stretchesAhead)
      queue();
    while (!pending.empty()) {
      const MixBuses buses = pending.front().get();
      pending.pop_front();
      if (next < score.frames)
        queue();
      finished.clear();
      master.process(buses, finished);
      writer.write(finished.data(), finished.size() / 2);
    }
    finished.clear();
    master.finish(finished);
    writer.write(finished.data(), finished.size() / 2);
    writer.finish();
    output.commit();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_music: %s\n", error.what());
    return 1;
  }
  return 0;
}
