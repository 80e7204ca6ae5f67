// Measures the colours a music file will give the show, the way the show takes
// them: the 1024-sample spectrum of the mono mix ending at each frame, one frame
// every 1/60 s, turned into the three colour factors.
//
//   music-factors FILE.ogg [--every SECONDS] [--csv FILE] [--spectrum SECONDS FILE]...
//
// Prints the 10th, 50th and 90th percentiles of each factor and the share of
// negative frames per section of the piece (or per stretch of --every seconds),
// the median and 90th percentile of the spread between the largest and the
// smallest factor (how far the tint is from grey), and the peak and loudness
// (dBFS) of each stretch. --csv writes every frame's factors
// and bins; --spectrum writes the 512 magnitudes at a moment, as the frame tool
// reads them.

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "audio/spectrum_analyser.h"
#include "effect/colour_factors.h"
#include "music/factor_statistics.h"
#include "music/score.h"

namespace {

constexpr double framesPerSecond = 60.0;
constexpr const char* usage =
    "usage: music-factors FILE.ogg [--every SECONDS] [--csv FILE] [--spectrum SECONDS FILE]...\n";

struct SpectrumDump {
  double seconds;
  std::string path;
  std::int64_t end = 0; // the window ends just before this sample
};

struct Options {
  std::string input;
  double every = 0.0; // 0: by the piece's sections
  std::string csvPath;
  std::vector<SpectrumDump> dumps;
};

std::optional<double> parseSeconds(const char* text) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (*text == '\0' || *end != '\0' || !std::isfinite(value) || value < 0.0 || value > 1e6)
    return std::nullopt;
  return value;
}

std::optional<Options> parseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--every" && hasValue) {
      const auto seconds = parseSeconds(argv[++i]);
      if (!seconds || *seconds < 0.1)
        return std::nullopt;
      options.every = *seconds;
    } else if (arg == "--csv" && hasValue) {
      options.csvPath = argv[++i];
    } else if (arg == "--spectrum" && i + 2 < argc) {
      const auto seconds = parseSeconds(argv[++i]);
      if (!seconds)
        return std::nullopt;
      options.dumps.push_back({*seconds, argv[++i]});
    } else if (options.input.empty() && !arg.starts_with("--")) {
      options.input = arg;
    } else {
      return std::nullopt;
    }
  }
  if (options.input.empty())
    return std::nullopt;
  return options;
}

// One line of the report: a stretch of the music and what it gives.
class Stretch {
public:
  void add(const ColourFactors& factors) {
    factors_.add(factors);
    const auto [low, high] =
        std::minmax({factors.redFactor, factors.greenFactor, factors.blueFactor});
    spreads_.push_back(high - low);
  }
  void addSample(double mono, double peak) {
    sumSquares_ += mono * mono;
    ++samples_;
    peak_ = std::max(peak_, peak);
  }
  void print(const char* name, double from, double to) {
    const StretchSummary s = factors_.summary();
    const double rms = samples_ == 0 ? 0.0 : std::sqrt(sumSquares_ / static_cast<double>(samples_));
    auto decibels = [](double v) { return v > 0.0 ? 20.0 * std::log10(v) : -999.0; };
    std::printf("%-10s %6.1f %6.1f", name, from, to);
    for (const FactorSpread& f : {s.red, s.green, s.blue})
      std::printf(" | %5.2f %5.2f %5.2f %3.0f%%", f.low, f.middle, f.high, 100.0 * f.negativeShare);
    std::printf(" | %5.2f %5.2f | %6.1f %6.1f\n", percentile(spreads_, 0.5),
                percentile(spreads_, 0.9), decibels(peak_), decibels(rms));
    factors_.clear();
    spreads_.clear();
    sumSquares_ = 0.0;
    samples_ = 0;
    peak_ = 0.0;
  }

private:
  FactorCollector factors_;
  std::vector<float> spreads_; // largest minus smallest factor: how far from grey
  double sumSquares_ = 0.0;
  std::int64_t samples_ = 0;
  double peak_ = 0.0;
};

bool writeSpectrum(const std::string& path, const float* magnitudes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(magnitudes),
             static_cast<std::streamsize>(SpectrumAnalyser::binCount * sizeof(float)));
  return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv) {
  auto options = parseOptions(argc, argv);
  if (!options) {
    std::fputs(usage, stderr);
    return 2;
  }
  const std::string& input = options->input;
  OggVorbis_File ogg;
  if (ov_fopen(input.c_str(), &ogg) != 0) {
    std::fprintf(stderr, "music-factors: cannot open %s as Ogg Vorbis\n", input.c_str());
    return 1;
  }
  const vorbis_info* info = ov_info(&ogg, -1);
  const int channels = info->channels;
  const long rate = info->rate;
  for (SpectrumDump& dump : options->dumps)
    dump.end = static_cast<std::int64_t>(std::llround(dump.seconds * static_cast<double>(rate)));

  std::FILE* csv = nullptr;
  if (!options->csvPath.empty()) {
    csv = std::fopen(options->csvPath.c_str(), "w");
    if (csv == nullptr) {
      std::fprintf(stderr, "music-factors: cannot write %s\n", options->csvPath.c_str());
      ov_clear(&ogg);
      return 1;
    }
    std::fputs("seconds,red,green,blue,s1,s10,s20,s50,s100,s150,s500\n", csv);
  }

  // Stretches of the report, as [start, end) sample ranges.
  struct Span {
    std::string name;
    std::int64_t start, end;
  };
  std::vector<Span> spans;
  if (options->every > 0.0) {
    const auto total = ov_pcm_total(&ogg, -1);
    const auto length = static_cast<std::int64_t>(options->every * static_cast<double>(rate));
    for (std::int64_t start = 0; start < total; start += length)
      spans.push_back({"", start, std::min<std::int64_t>(start + length, total)});
  } else {
    for (const SectionSpan& s : sectionSpans())
      spans.push_back({s.name, s.start, s.end});
  }
  std::printf("%-10s %6s %6s | %-25s | %-25s | %-25s | %-11s | %6s %6s\n", "stretch", "from", "to",
              "red p10 p50 p90 neg", "green p10 p50 p90 neg", "blue p10 p50 p90 neg",
              "spread 50 90", "peak", "rms");

  SpectrumAnalyser analyser;
  std::array<float, SpectrumAnalyser::windowSize> ring{}, window{};
  std::array<float, SpectrumAnalyser::binCount> magnitudes{};
  const double hop = static_cast<double>(rate) / framesPerSecond;
  std::int64_t frame = 1;
  std::int64_t nextFrameEnd = static_cast<std::int64_t>(std::llround(hop));
  std::int64_t position = 0;
  std::size_t span = 0;
  Stretch stretch;
  auto finishSpans = [&](std::int64_t upTo) {
    while (span < spans.size() && spans[span].end <= upTo) {
      const Span& s = spans[span];
      const std::string name = s.name.empty() ? std::to_string(span) : s.name;
      stretch.print(name.c_str(), static_cast<double>(s.start) / static_cast<double>(rate),
                    static_cast<double>(s.end) / static_cast<double>(rate));
      ++span;
    }
  };

  for (;;) {
    float** pcm = nullptr;
    int section = 0;
    const long got = ov_read_float(&ogg, &pcm, 4096, &section);
    if (got == OV_HOLE)
      continue;
    if (got < 0) {
      std::fprintf(stderr, "music-factors: %s is damaged\n", input.c_str());
      ov_clear(&ogg);
      return 1;
    }
    if (got == 0)
      break;
    for (long i = 0; i < got; ++i) {
      double sum = 0.0, peak = 0.0;
      for (int c = 0; c < channels; ++c) {
        sum += static_cast<double>(pcm[c][i]);
        peak = std::max(peak, std::fabs(static_cast<double>(pcm[c][i])));
      }
      const double mono = sum / channels;
      ring[static_cast<std::size_t>(position) % ring.size()] = static_cast<float>(mono);
      stretch.addSample(mono, peak);
      ++position;

      const bool frameEnds = position == nextFrameEnd;
      const bool dumpEnds = std::any_of(options->dumps.begin(), options->dumps.end(),
                                        [&](const SpectrumDump& d) { return d.end == position; });
      if (!frameEnds && !dumpEnds)
        continue;
      for (std::size_t n = 0; n < window.size(); ++n)
        window[n] = ring[(static_cast<std::size_t>(position) + n) % ring.size()];
      analyser.analyse(window.data(), magnitudes.data());
      for (const SpectrumDump& d : options->dumps)
        if (d.end == position && !writeSpectrum(d.path, magnitudes.data()))
          std::fprintf(stderr, "music-factors: cannot write %s\n", d.path.c_str());
      if (!frameEnds)
        continue;
      const ColourFactors factors = computeColourFactors(magnitudes.data());
      stretch.add(factors);
      if (csv != nullptr) {
        std::fprintf(
            csv, "%.4f,%.4f,%.4f,%.4f", static_cast<double>(position) / static_cast<double>(rate),
            static_cast<double>(factors.redFactor), static_cast<double>(factors.greenFactor),
            static_cast<double>(factors.blueFactor));
        for (const std::size_t bin : {1u, 10u, 20u, 50u, 100u, 150u, 500u})
          std::fprintf(csv, ",%.4f", static_cast<double>(magnitudes[bin]));
        std::fputc('\n', csv);
      }
      ++frame;
      nextFrameEnd = static_cast<std::int64_t>(std::llround(hop * static_cast<double>(frame)));
      finishSpans(position);
    }
  }
  finishSpans(INT64_MAX);
  ov_clear(&ogg);
  if (csv != nullptr && std::fclose(csv) != 0) {
    std::fprintf(stderr, "music-factors: cannot write %s\n", options->csvPath.c_str());
    return 1;
  }
  return 0;
}
