// Reports how a music file measures against a mastering brief and what colours
// it gives the show:
//
//   music-report FILE.ogg
//
// Loudness (EBU R128 by libebur128), loudness range, true peak, sample peak,
// clipped samples, DC offset, stereo correlation and width, the energy share of
// frequency bands, and per section of the piece its median short-term loudness,
// the median of each colour factor and the beat swing: the median over the
// section's beats of how far the mean factor moves within a beat. Then how the
// mix moves and repeats: band shares in the drops, the spread of momentary
// loudness inside them, how far each build starts and ends under its drop,
// held tones, how alike a bar is to the bar eight later, and the loop's join
// (level step, key at either end). Each summary line reads "name: value unit",
// for scripts.

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "audio/spectrum_analyser.h"
#include "effect/colour_factors.h"
#include "music/factor_statistics.h"
#include "music/loudness_meter.h"
#include "music/score.h"
#include "music/spectral_balance.h"
#include "music/track_analysis.h"

namespace {

constexpr double framesPerSecond = showFrameRate;

// The colour factors one section gives, frame by frame, and where its beats fall.
class SectionFactors {
public:
  SectionFactors(const SectionSpan& span, double beatFrames) : span_(span), beat_(beatFrames) {}

  void add(std::int64_t position, const ColourFactors& f) {
    factors_.add(f);
    const double mean = (static_cast<double>(f.redFactor) + f.greenFactor + f.blueFactor) / 3.0;
    const auto beat = static_cast<std::size_t>(static_cast<double>(position - span_.start) / beat_);
    if (beat >= beatLow_.size()) {
      beatLow_.resize(beat + 1, HUGE_VAL);
      beatHigh_.resize(beat + 1, -HUGE_VAL);
    }
    beatLow_[beat] = std::min(beatLow_[beat], mean);
    beatHigh_[beat] = std::max(beatHigh_[beat], mean);
  }

  StretchSummary summary() const { return factors_.summary(); }

  double beatSwing() const {
    std::vector<float> swings;
    for (std::size_t b = 0; b < beatLow_.size(); ++b)
      if (beatHigh_[b] >= beatLow_[b])
        swings.push_back(static_cast<float>(beatHigh_[b] - beatLow_[b]));
    return percentile(swings, 0.5);
  }

  const SectionSpan& span() const { return span_; }

private:
  SectionSpan span_;
  double beat_;
  FactorCollector factors_;
  std::vector<double> beatLow_, beatHigh_;
};

double median(const std::vector<double>& values) {
  if (values.empty())
    return -HUGE_VAL;
  std::vector<float> narrowed(values.begin(), values.end());
  return percentile(narrowed, 0.5);
}

struct Track {
  long rate = 0;
  std::vector<float> interleaved, mono;
};

bool decode(const char* path, Track& track) {
  OggVorbis_File ogg;
  if (ov_fopen(path, &ogg) != 0) {
    std::fprintf(stderr, "music-report: cannot open %s as Ogg Vorbis\n", path);
    return false;
  }
  const vorbis_info* info = ov_info(&ogg, -1);
  if (info->channels != 2) {
    std::fprintf(stderr, "music-report: %s is not stereo\n", path);
    ov_clear(&ogg);
    return false;
  }
  track.rate = info->rate;
  for (;;) {
    float** pcm = nullptr;
    int link = 0;
    const long got = ov_read_float(&ogg, &pcm, 4096, &link);
    if (got == OV_HOLE)
      continue;
    if (got < 0) {
      std::fprintf(stderr, "music-report: %s is damaged\n", path);
      ov_clear(&ogg);
      return false;
    }
    if (got == 0)
      break;
    for (long i = 0; i < got; ++i) {
      track.interleaved.push_back(pcm[0][i]);
      track.interleaved.push_back(pcm[1][i]);
      track.mono.push_back(0.5f * (pcm[0][i] + pcm[1][i]));
    }
  }
  ov_clear(&ogg);
  return true;
}

double spreadOf(const std::vector<double>& values) {
  std::vector<float> narrowed(values.begin(), values.end());
  return percentile(narrowed, 0.9) - percentile(narrowed, 0.1);
}

int report(const char* path) {
  Track track;
  if (!decode(path, track))
    return 1;
  const long rate = track.rate;
  const double rateScale = static_cast<double>(rate) / outputFrequency;
  const auto frames = static_cast<std::int64_t>(track.mono.size());
  LoudnessMeter loudness(2, static_cast<unsigned long>(rate));
  SpectralBalance balance(static_cast<double>(rate)), dropBalance(static_cast<double>(rate));
  loudness.add(track.interleaved.data(), track.mono.size());
  balance.add(track.interleaved.data(), track.mono.size());

  std::vector<SectionSpan> spans = sectionSpans();
  for (SectionSpan& span : spans) {
    span.start = std::llround(static_cast<double>(span.start) * rateScale);
    span.end =
        std::min<std::int64_t>(frames, std::llround(static_cast<double>(span.end) * rateScale));
    if (std::string(span.name) == "drop")
      dropBalance.add(track.interleaved.data() + 2 * span.start,
                      static_cast<std::size_t>(span.end - span.start));
  }
  std::vector<SectionFactors> sections;
  sections.reserve(spans.size());
  const double beatFrames = 4.0 * stepFrames * rateScale;
  for (const SectionSpan& span : spans)
    sections.emplace_back(span, beatFrames);

  SpectrumAnalyser analyser;
  std::array<float, SpectrumAnalyser::windowSize> window{};
  std::array<float, SpectrumAnalyser::binCount> magnitudes{};
  const double hop = static_cast<double>(rate) / framesPerSecond;
  std::size_t section = 0;
  for (std::int64_t frame = 1;; ++frame) {
    const std::int64_t position = std::llround(hop * static_cast<double>(frame));
    if (position > frames)
      break;
    for (std::size_t n = 0; n < window.size(); ++n) {
      const std::int64_t at = position - static_cast<std::int64_t>(window.size() - n);
      window[n] = at >= 0 ? track.mono[static_cast<std::size_t>(at)] : 0.0f;
    }
    analyser.analyse(window.data(), magnitudes.data());
    while (section < sections.size() && sections[section].span().end < position)
      ++section;
    if (section < sections.size())
      sections[section].add(position, computeColourFactors(magnitudes.data()));
  }

  const BalanceSummary b = balance.summary();
  auto decibels = [](double v) { return v > 0.0 ? 20.0 * std::log10(v) : -999.0; };
  std::printf("length: %.1f s\n", static_cast<double>(frames) / static_cast<double>(rate));
  std::printf("integrated loudness: %.2f LUFS\n", loudness.integrated());
  std::printf("loudness range: %.2f LU\n", loudness.range());
  std::printf("true peak: %.2f dBTP\n", loudness.truePeak());
  std::printf("sample peak: %.2f dBFS\n", decibels(b.samplePeak));
  std::printf("clipped samples: %lld\n", static_cast<long long>(b.clippedSamples));
  std::printf("dc offset: %.5f %.5f\n", b.dcOffset[0], b.dcOffset[1]);
  std::printf("stereo correlation: %.3f\n", b.correlation);
  std::printf("side share below 150 Hz: %.2f %%\n", 100.0 * b.sideShareLow);
  std::printf("side share above 150 Hz: %.2f %%\n", 100.0 * b.sideShareHigh);
  for (std::size_t k = 0; k < balanceBands.size(); ++k)
    std::printf("band %s: %.2f %%\n", balanceBands[k].name, 100.0 * b.shares[k]);
  const BalanceSummary d = dropBalance.summary();
  for (std::size_t k = 0; k < balanceBands.size(); ++k)
    std::printf("drop band %s: %.2f %%\n", balanceBands[k].name, 100.0 * d.shares[k]);

  // How the level moves: inside the drops, into them, and across the loop's join.
  const auto& momentary = loudness.momentary();
  const std::int64_t meterHop = loudness.hop();
  const std::int64_t momentaryWindow = rate * 4 / 10;
  const double barFrames = stepsPerBar * stepFrames * rateScale;
  double dropMovement = HUGE_VAL, buildStart = HUGE_VAL, buildRise = HUGE_VAL,
         lastHalfBar = HUGE_VAL, similarity = -HUGE_VAL;
  for (std::size_t s = 0; s < spans.size(); ++s) {
    const SectionSpan& span = spans[s];
    if (std::string(span.name) != "drop")
      continue;
    const double dropLevel =
        median(readingsIn(momentary, meterHop, momentaryWindow, span.start, span.end));
    dropMovement =
        std::min(dropMovement,
                 spreadOf(readingsIn(momentary, meterHop, momentaryWindow, span.start, span.end)));
    similarity = std::max(similarity, barToBarEightSimilarity(track.mono, static_cast<double>(rate),
                                                              span.start, span.end, barFrames));
    if (s == 0 || std::string(spans[s - 1].name) != "build")
      continue;
    const SectionSpan& build = spans[s - 1];
    const auto twoBars = static_cast<std::int64_t>(2 * barFrames);
    const double opening = median(
        readingsIn(momentary, meterHop, momentaryWindow, build.start, build.start + twoBars));
    const double closing =
        median(readingsIn(momentary, meterHop, momentaryWindow, build.end - twoBars - twoBars / 2,
                          build.end - twoBars / 2));
    buildStart = std::min(buildStart, dropLevel - opening);
    buildRise = std::min(buildRise, closing - opening);
    const auto halfBar = static_cast<std::int64_t>(barFrames / 2);
    lastHalfBar =
        std::min(lastHalfBar, dropLevel - median(readingsIn(momentary, meterHop, momentaryWindow,
                                                            build.end - halfBar, build.end)));
  }
  std::printf("drop loudness movement p10-p90: %.2f LU\n", dropMovement);
  std::printf("build start under its drop: %.2f LU\n", buildStart);
  std::printf("build rise: %.2f LU\n", buildRise);
  std::printf("last half bar under its drop: %.2f LU\n", lastHalfBar);
  std::printf("bar to bar 8 similarity in drops: %.3f\n", similarity);

  const HeldTones held = measureHeldTones(track.mono, static_cast<double>(rate));
  std::printf("seconds one 4 Hz slice holds a quarter of 250-4000 Hz: %.2f %%\n",
              100.0 * held.dominatedSeconds);
  std::printf("longest held tone: %.2f s at %.0f Hz, ending at %.0f s\n", held.longestSeconds,
              held.longestHz, held.longestEnds);

  // The show loops the file: its end runs straight into its start.
  const double endLevel = momentary.empty() ? -HUGE_VAL : momentary.back();
  const double startLevel = momentary.size() > 3 ? momentary[3] : -HUGE_VAL;
  std::printf("loop join levels: %.2f %.2f LUFS\n", endLevel, startLevel);
  std::printf("loop join step: %.2f LU\n", std::fabs(endLevel - startLevel));
  const auto fourBars = static_cast<std::int64_t>(4 * barFrames);
  std::printf("start key: %s\n",
              keyOf(chromaOf(track.mono, static_cast<double>(rate), 0, fourBars)).c_str());
  std::printf(
      "end key: %s\n",
      keyOf(chromaOf(track.mono, static_cast<double>(rate), frames - fourBars, frames)).c_str());

  // Short-term loudness by section, each reading taken where its 3 s window lies.
  double quietestDrop = HUGE_VAL, loudestBreakdown = -HUGE_VAL, lowestFactor = HUGE_VAL;
  std::printf("\n%-10s %6s %6s | %7s %5s %5s | %5s %5s %5s | %5s\n", "section", "from", "to",
              "LUFS-S", "M-mov", "tone%", "red", "green", "blue", "beat");
  for (const SectionFactors& s : sections) {
    const double level =
        median(readingsIn(loudness.shortTerm(), meterHop, 3 * rate, s.span().start, s.span().end));
    const double movement =
        spreadOf(readingsIn(momentary, meterHop, momentaryWindow, s.span().start, s.span().end));
    int seconds = 0, dominated = 0;
    for (std::size_t k = 0; k < held.dominated.size(); ++k)
      if (static_cast<std::int64_t>(k) * rate >= s.span().start &&
          static_cast<std::int64_t>(k + 1) * rate <= s.span().end) {
        ++seconds;
        dominated += held.dominated[k];
      }
    const std::string name = s.span().name;
    if (name == "drop")
      quietestDrop = std::min(quietestDrop, level);
    if (name == "breakdown")
      loudestBreakdown = std::max(loudestBreakdown, level);
    const StretchSummary f = s.summary();
    if (name != "intro" && name != "outro")
      lowestFactor = std::min({lowestFactor, f.red.middle, f.green.middle, f.blue.middle});
    std::printf("%-10s %6.1f %6.1f | %7.2f %5.2f %5.1f | %5.2f %5.2f %5.2f | %5.2f\n", name.c_str(),
                static_cast<double>(s.span().start) / static_cast<double>(rate),
                static_cast<double>(s.span().end) / static_cast<double>(rate), level, movement,
                seconds > 0 ? 100.0 * dominated / seconds : 0.0, f.red.middle, f.green.middle,
                f.blue.middle, s.beatSwing());
  }
  std::printf("\nquietest drop over loudest breakdown: %.2f LU\n", quietestDrop - loudestBreakdown);
  std::printf("lowest factor median outside intro and outro: %.3f\n", lowestFactor);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: music-report FILE.ogg\n", stderr);
    return 2;
  }
  try {
    return report(argv[1]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "music-report: %s\n", error.what());
    return 1;
  }
}
