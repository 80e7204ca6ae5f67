// Renders the piece's parts alone through the master, the way make_music
// renders the whole, and reports what only the parts can tell:
//
//   music-stems
//
// the loudness of each part over the first drop (the reverb and echo it sends
// included, no limiter), the limiter's median gain reduction in each drop, and
// in how many of the drops' sixteenths the melody holds the strongest partial
// between 500 Hz and 4 kHz, and whether each drop's melody, heard alone,
// states its eight-bar hook and restates it. Each summary line reads
// "name: value unit".

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "audio/real_transform.h"
#include "music/factor_statistics.h"
#include "music/loudness_meter.h"
#include "music/master_chain.h"
#include "music/piece_renderer.h"
#include "music/score.h"
#include "music/track_analysis.h"

namespace {

constexpr std::int64_t prerollFrames = 4 * std::int64_t{outputFrequency};
constexpr std::size_t stepWindow = 2048;

struct Part {
  const char* name;
  std::vector<Voice> voices;
};

const std::array<Part, 8> parts{
    {{"kick", {Voice::kick, Voice::kickClick}},
     {"clap", {Voice::clap, Voice::snare}},
     {"hats", {Voice::closedHat, Voice::openHat, Voice::shaker, Voice::ride}},
     {"bass", {Voice::bass}},
     {"pad", {Voice::pad}},
     {"melody", {Voice::lead, Voice::pulse, Voice::bell}},
     {"arp", {Voice::arp}},
     {"counter", {Voice::counter}}}};

Score only(const Score& score, const std::vector<Voice>& voices) {
  Score part = score;
  std::erase_if(part.notes, [&](const Note& n) {
    return std::find(voices.begin(), voices.end(), n.voice) == voices.end();
  });
  return part;
}

// The stretch [from, to) of the score through the master, its state set by
// the seconds before it; interleaved stereo.
std::vector<float> renderSpan(const Score& score, std::int64_t from, std::int64_t to, bool limit,
                              std::vector<float>* gains = nullptr) {
  const PieceRenderer renderer(score);
  MasterChain master(limit);
  master.logGains(gains);
  const std::int64_t preroll = std::min(prerollFrames, from);
  master.skip(static_cast<std::size_t>(preroll));
  std::vector<float> out;
  master.process(renderer.render(from - preroll, to - from + preroll), out);
  master.finish(out);
  out.resize(2 * static_cast<std::size_t>(to - from));
  if (gains != nullptr)
    gains->erase(gains->begin(), gains->begin() + preroll);
  return out;
}

double loudnessOf(const std::vector<float>& stereo) {
  LoudnessMeter meter(2, outputFrequency);
  meter.add(stereo.data(), stereo.size() / 2);
  return meter.integrated();
}

// Power spectra of the mono sum, one per sixteenth, over 500 Hz - 4 kHz.
class StepSpectra {
public:
  std::vector<double> at(const std::vector<float>& stereo, std::int64_t start) {
    float* input = transform_.input();
    for (std::size_t n = 0; n < stepWindow; ++n) {
      const auto i = static_cast<std::size_t>(start) + n;
      input[n] = 2 * i + 1 < stereo.size() ? stereo[2 * i] + stereo[2 * i + 1] : 0.0f;
    }
    transform_.transform();
    std::vector<double> power;
    transform_.powers(power);
    power.erase(power.begin() + high + 1, power.end());
    power.erase(power.begin(), power.begin() + low);
    return power;
  }

private:
  static constexpr std::size_t low = 500 * stepWindow / outputFrequency + 1;
  static constexpr std::size_t high = 4000 * stepWindow / outputFrequency;
  RealTransform transform_{stepWindow};
};

int report() {
  const Score score = composeScore(pieceSeed);
  std::vector<SectionSpan> drops = sectionSpans();
  std::erase_if(drops, [](const SectionSpan& s) { return std::string(s.name) != "drop"; });

  const SectionSpan& first = drops.front();
  for (const Part& part : parts)
    std::printf("stem %s in drop 1: %.2f LUFS\n", part.name,
                loudnessOf(renderSpan(only(score, part.voices), first.start, first.end, false)));

  StepSpectra spectra;
  std::vector<float> reductions;
  int steps = 0, melodyLeads = 0;
  double leastRestated = HUGE_VAL;
  for (std::size_t d = 0; d < drops.size(); ++d) {
    const SectionSpan& drop = drops[d];
    std::vector<float> gains;
    const std::vector<float> mix = renderSpan(score, drop.start, drop.end, true, &gains);
    std::vector<float> dropReductions;
    dropReductions.reserve(gains.size());
    for (const float gain : gains)
      dropReductions.push_back(static_cast<float>(-20.0 * std::log10(gain)));
    std::printf("limiter gain reduction in drop %zu, median: %.2f dB\n", d + 1,
                percentile(dropReductions, 0.5));
    reductions.insert(reductions.end(), dropReductions.begin(), dropReductions.end());

    const std::vector<float> melody =
        renderSpan(only(score, parts[5].voices), drop.start, drop.end, false);
    std::vector<float> melodyMono(melody.size() / 2);
    for (std::size_t i = 0; i < melodyMono.size(); ++i)
      melodyMono[i] = 0.5f * (melody[2 * i] + melody[2 * i + 1]);
    const double restated =
        hookRestatement(melodyMono, outputFrequency, 0, stepsPerBar * stepFrames);
    std::printf("melody hook, bars 1-8 against 9-16, in drop %zu: %.3f\n", d + 1, restated);
    leastRestated = std::min(leastRestated, restated);
    const std::vector<float> whole = renderSpan(score, drop.start, drop.end, false);
    const auto firstStep =
        static_cast<int>(std::lround(static_cast<double>(drop.start) / stepFrames));
    for (int step = firstStep;; ++step) {
      const std::int64_t at = stepStart(step) - drop.start;
      if (at + static_cast<std::int64_t>(stepWindow) > drop.end - drop.start)
        break;
      const std::vector<double> mixPower = spectra.at(whole, at);
      const std::vector<double> melodyPower = spectra.at(melody, at);
      const auto strongest = static_cast<std::size_t>(
          std::max_element(mixPower.begin(), mixPower.end()) - mixPower.begin());
      ++steps;
      melodyLeads += melodyPower[strongest] >= 0.5 * mixPower[strongest];
    }
  }
  std::printf("limiter gain reduction in drops, median: %.2f dB\n", percentile(reductions, 0.5));
  std::printf("melody hook, bars 1-8 against 9-16, lowest drop: %.3f\n", leastRestated);
  std::printf("melody holds the strongest partial of 0.5-4 kHz: %.1f %% of drop steps\n",
              steps > 0 ? 100.0 * melodyLeads / steps : 0.0);
  return 0;
}

} // namespace

int main(int argc, char**) {
  if (argc != 1) {
    std::fputs("usage: music-stems\n", stderr);
    return 2;
  }
  try {
    return report();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "music-stems: %s\n", error.what());
    return 1;
  }
}
