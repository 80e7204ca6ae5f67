// Reports how a music file measures against a mastering brief and what colours
// it gives the show:
//
//   music-report FILE.ogg
//
// Loudness (EBU R128 by libebur128), loudness range, true peak, sample peak,
// clipped samples, DC offset, stereo correlation and width, the energy share of
// frequency bands, and per section of the piece its median short-term loudness,
// the median of each colour factor and the beat swing: the median over the
// section's beats of how far the mean factor moves within a beat. Each summary
// line reads "name: value unit", for scripts.

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

namespace {

constexpr double framesPerSecond = 60.0;

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

double median(std::vector<double> values) {
  std::vector<float> narrowed(values.begin(), values.end());
  return percentile(narrowed, 0.5);
}

int report(const char* path) {
  OggVorbis_File ogg;
  if (ov_fopen(path, &ogg) != 0) {
    std::fprintf(stderr, "music-report: cannot open %s as Ogg Vorbis\n", path);
    return 1;
  }
  const vorbis_info* info = ov_info(&ogg, -1);
  if (info->channels != 2) {
    std::fprintf(stderr, "music-report: %s is not stereo\n", path);
    ov_clear(&ogg);
    return 1;
  }
  const long rate = info->rate;
  LoudnessMeter loudness(2, static_cast<unsigned long>(rate));
  SpectralBalance balance(static_cast<double>(rate));

  std::vector<SectionFactors> sections;
  const double beatFrames = 4.0 * stepFrames * static_cast<double>(rate) / 44100.0;
  for (const SectionSpan& span : sectionSpans())
    sections.emplace_back(span, beatFrames);

  SpectrumAnalyser analyser;
  std::array<float, SpectrumAnalyser::windowSize> ring{}, window{};
  std::array<float, SpectrumAnalyser::binCount> magnitudes{};
  const double hop = static_cast<double>(rate) / framesPerSecond;
  std::int64_t frame = 1;
  std::int64_t nextFrameEnd = std::llround(hop);
  std::int64_t position = 0;
  std::size_t section = 0;
  std::vector<float> interleaved;

  for (;;) {
    float** pcm = nullptr;
    int link = 0;
    const long got = ov_read_float(&ogg, &pcm, 4096, &link);
    if (got == OV_HOLE)
      continue;
    if (got < 0) {
      std::fprintf(stderr, "music-report: %s is damaged\n", path);
      ov_clear(&ogg);
      return 1;
    }
    if (got == 0)
      break;
    const auto count = static_cast<std::size_t>(got);
    interleaved.resize(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
      interleaved[2 * i] = pcm[0][i];
      interleaved[2 * i + 1] = pcm[1][i];
    }
    loudness.add(interleaved.data(), count);
    balance.add(interleaved.data(), count);

    for (std::size_t i = 0; i < count; ++i) {
      ring[static_cast<std::size_t>(position) % ring.size()] =
          0.5f * (interleaved[2 * i] + interleaved[2 * i + 1]);
      ++position;
      if (position != nextFrameEnd)
        continue;
      for (std::size_t n = 0; n < window.size(); ++n)
        window[n] = ring[(static_cast<std::size_t>(position) + n) % ring.size()];
      analyser.analyse(window.data(), magnitudes.data());
      while (section < sections.size() && sections[section].span().end < position)
        ++section;
      if (section < sections.size())
        sections[section].add(position, computeColourFactors(magnitudes.data()));
      ++frame;
      nextFrameEnd = std::llround(hop * static_cast<double>(frame));
    }
  }
  ov_clear(&ogg);

  const BalanceSummary b = balance.summary();
  auto decibels = [](double v) { return v > 0.0 ? 20.0 * std::log10(v) : -999.0; };
  std::printf("length: %.1f s\n", static_cast<double>(position) / static_cast<double>(rate));
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

  // Short-term loudness by section, each reading taken where its 3 s window lies.
  const auto& shortTerm = loudness.shortTerm();
  double quietestDrop = HUGE_VAL, loudestBreakdown = -HUGE_VAL, lowestFactor = HUGE_VAL;
  std::printf("\n%-10s %6s %6s | %7s | %5s %5s %5s | %5s\n", "section", "from", "to", "LUFS-S",
              "red", "green", "blue", "beat");
  for (const SectionFactors& s : sections) {
    std::vector<double> readings;
    for (std::size_t k = 0; k < shortTerm.size(); ++k) {
      const auto end = static_cast<std::int64_t>(k + 1) * loudness.hop();
      if (end - 3 * rate >= s.span().start && end <= s.span().end && std::isfinite(shortTerm[k]))
        readings.push_back(shortTerm[k]);
    }
    const double level = readings.empty() ? -HUGE_VAL : median(readings);
    const std::string name = s.span().name;
    if (name == "drop")
      quietestDrop = std::min(quietestDrop, level);
    if (name == "breakdown")
      loudestBreakdown = std::max(loudestBreakdown, level);
    const StretchSummary f = s.summary();
    if (name != "intro" && name != "outro")
      lowestFactor = std::min({lowestFactor, f.red.middle, f.green.middle, f.blue.middle});
    std::printf("%-10s %6.1f %6.1f | %7.2f | %5.2f %5.2f %5.2f | %5.2f\n", name.c_str(),
                static_cast<double>(s.span().start) / static_cast<double>(rate),
                static_cast<double>(s.span().end) / static_cast<double>(rate), level, f.red.middle,
                f.green.middle, f.blue.middle, s.beatSwing());
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
