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

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "audio/music_timeline.h"
#include "audio/spectrum_analyser.h"
#include "driver/show_timing.h"
#include "effect/colour_factors.h"
#include "music/factor_statistics.h"
#include "music/score.h"
#include "output/output_file.h"
#include "output/standard_output.h"

namespace {

constexpr double framesPerSecond = showFrameRate;
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

// The music is never written over, whatever name leads to it.
OutputRules outputRules(const std::string& input) {
  OutputRules rules;
  rules.replace = true;
  rules.streams = true;
  rules.inputs = {input};
  rules.tag = "factors";
  return rules;
}

bool writeSpectrum(const std::string& path, const float* magnitudes, const OutputRules& rules) {
  const std::string bytes(reinterpret_cast<const char*>(magnitudes),
                          SpectrumAnalyser::binCount * sizeof(float));
  std::string problem;
  if (writeOutputFile(path, bytes, rules, problem))
    return true;
  std::fprintf(stderr, "music-factors: %s\n", problem.c_str());
  return false;
}

int run(int argc, char** argv) {
  auto options = parseOptions(argc, argv);
  if (!options) {
    std::fputs(usage, stderr);
    return 2;
  }
  const std::string& input = options->input;
  // The music as the show hears it: the same decoder, mono mix and transform.
  DecoderError error = DecoderError::none;
  const auto music = MusicTimeline::open(input.c_str(), outputFrequency, error);
  if (!music) {
    std::fprintf(stderr, "music-factors: cannot open %s as Ogg Vorbis\n", input.c_str());
    return 1;
  }
  const std::int64_t rate = music->sampleRate();
  const auto total = static_cast<std::int64_t>(music->loopLength());
  if (total == 0) {
    std::fprintf(stderr, "music-factors: %s is not one stream at %d Hz\n", input.c_str(),
                 static_cast<int>(rate));
    return 1;
  }
  for (SpectrumDump& dump : options->dumps)
    dump.end = static_cast<std::int64_t>(std::llround(dump.seconds * static_cast<double>(rate)));
  // Written in the order the music reaches them.
  std::stable_sort(options->dumps.begin(), options->dumps.end(),
                   [](const SpectrumDump& a, const SpectrumDump& b) { return a.end < b.end; });

  const OutputRules rules = outputRules(input);
  // Refused before the long run rather than after it.
  std::optional<OutputFile> csvFile;
  std::FILE* csv = nullptr;
  if (!options->csvPath.empty()) {
    try {
      csvFile.emplace(options->csvPath, rules);
    } catch (const OutputFileError& refused) {
      std::fprintf(stderr, "music-factors: %s\n", refused.what());
      return 1;
    }
    const int descriptor = dup(csvFile->descriptor());
    csv = descriptor < 0 ? nullptr : fdopen(descriptor, "w");
    if (csv == nullptr) {
      std::fprintf(stderr, "music-factors: cannot write %s\n", options->csvPath.c_str());
      return 1;
    }
    std::fputs("seconds,red,green,blue", csv);
    for (const std::size_t bin : colourBins)
      std::fprintf(csv, ",s%zu", bin);
    std::fputc('\n', csv);
  }

  // Stretches of the report, as [start, end) sample ranges.
  struct Span {
    std::string name;
    std::int64_t start, end;
  };
  std::vector<Span> spans;
  if (options->every > 0.0) {
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

  Stretch stretch;
  music->setListener([&stretch](const float* stereo, std::size_t frames, std::uint64_t) {
    for (std::size_t i = 0; i < frames; ++i) {
      const auto left = static_cast<double>(stereo[2 * i]);
      const auto right = static_cast<double>(stereo[2 * i + 1]);
      stretch.addSample((left + right) / 2, std::max(std::fabs(left), std::fabs(right)));
    }
  });
  std::array<float, SpectrumAnalyser::binCount> magnitudes{};
  std::size_t dump = 0;
  bool dumpsWritten = true;
  // The spectrum dumps up to `upTo`; a dump before the music's first sample is never reached.
  auto writeDumps = [&](std::int64_t upTo) {
    for (; dump < options->dumps.size() && options->dumps[dump].end <= upTo; ++dump) {
      const SpectrumDump& d = options->dumps[dump];
      if (d.end < 1)
        continue;
      music->spectrumEnding(static_cast<std::uint64_t>(d.end), magnitudes.data());
      dumpsWritten = writeSpectrum(d.path, magnitudes.data(), rules) && dumpsWritten;
    }
  };
  std::size_t span = 0;
  auto finishSpans = [&](std::int64_t upTo) {
    while (span < spans.size() && spans[span].end <= upTo) {
      const Span& s = spans[span];
      const std::string name = s.name.empty() ? std::to_string(span) : s.name;
      stretch.print(name.c_str(), static_cast<double>(s.start) / static_cast<double>(rate),
                    static_cast<double>(s.end) / static_cast<double>(rate));
      ++span;
    }
  };

  // One frame every 1/60 s, its window ending at the frame's sample.
  const double hop = static_cast<double>(rate) / framesPerSecond;
  for (std::int64_t frame = 1;; ++frame) {
    const auto end = static_cast<std::int64_t>(std::llround(hop * static_cast<double>(frame)));
    if (end > total)
      break;
    writeDumps(end);
    music->spectrumEnding(static_cast<std::uint64_t>(end), magnitudes.data());
    const ColourFactors factors = computeColourFactors(magnitudes.data());
    stretch.add(factors);
    if (csv != nullptr) {
      std::fprintf(csv, "%.4f,%.4f,%.4f,%.4f", static_cast<double>(end) / static_cast<double>(rate),
                   static_cast<double>(factors.redFactor), static_cast<double>(factors.greenFactor),
                   static_cast<double>(factors.blueFactor));
      for (const std::size_t bin : colourBins)
        std::fprintf(csv, ",%.4f", static_cast<double>(magnitudes[bin]));
      std::fputc('\n', csv);
    }
    finishSpans(end);
  }
  writeDumps(total);
  music->decodeTo(static_cast<std::uint64_t>(total));
  finishSpans(INT64_MAX);
  if (csv != nullptr) {
    try {
      if (std::fclose(csv) != 0)
        throw OutputFileError("cannot write " + options->csvPath + ": " + std::strerror(errno));
      csvFile->commit();
    } catch (const OutputFileError& failed) {
      std::fprintf(stderr, "music-factors: %s\n", failed.what());
      return 1;
    }
  }
  return dumpsWritten ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
  return withStandardOutputWritten("music-factors", run(argc, argv));
}
