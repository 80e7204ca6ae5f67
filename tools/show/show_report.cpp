// Reports how the show looks over its music: runs the whole show as the video
// capture does, measures every frame instead of encoding it, and prints per
// section and for the whole show the band's and the text's luma, the band's
// pulse with the beat, its hue, the music's loudness and the most
// photosensitive flashes in any second:
//
//   show-report [--fps N] [--csv FILE] [--music FILE] [--no-fit] [--help]
//
// run where the music is, as the show is (build/ after a build), or over any
// track the capture takes, fitted as the capture fits it; a track's sections
// are its successive half minutes. Summary lines
// read "name: value unit", for scripts; --csv writes one line per frame.

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "audio/data_file.h"
#include "command_line/whole_number.h"

#include "driver/show.h"
#include "music/factor_statistics.h"
#include "music/loudness_meter.h"
#include "music/score.h"
#include "output/output_file.h"
#include "output/standard_output.h"
#include "show/show_run.h"
#include "show/show_summary.h"

namespace {

constexpr const char* usage =
    "usage: show-report [--fps N] [--csv FILE] [--music FILE] [--no-fit] [--help]";
constexpr int badArgumentsExit = 2;
constexpr int failedExit = 1;
constexpr int highestFps = 240;
constexpr double trackSectionSeconds = 30.0;

struct ReportArguments {
  int fps = showFrameRate;
  std::string csvPath;
  bool showHelp = false;
  std::string musicPath; // empty: the show's own
  bool fit = true;
};

bool parseArguments(int argc, char** argv, ReportArguments& arguments) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help") {
      arguments.showHelp = true;
      continue;
    }
    if (option == "--no-fit" && arguments.fit) {
      arguments.fit = false;
      continue;
    }
    if (i + 1 >= argc)
      return false;
    const std::string value = argv[++i];
    if (option == "--fps") {
      const auto fps = parseWholeNumber(value, highestFps);
      if (!fps || *fps < 1)
        return false;
      arguments.fps = static_cast<int>(*fps);
    } else if (option == "--csv" && !value.empty()) {
      arguments.csvPath = value;
    } else if (option == "--music" && !value.empty() && arguments.musicPath.empty()) {
      arguments.musicPath = value;
    } else {
      return false;
    }
  }
  return true;
}

bool writeCsv(OutputFile& output, const ShowRun& run, const ShowFigures& figures,
              const LoudnessMeter& loudness) {
  const int descriptor = dup(output.descriptor());
  std::FILE* file = descriptor < 0 ? nullptr : fdopen(descriptor, "w");
  if (file == nullptr)
    return false;
  std::fputs("frame,seconds,section,band,text,red,green,blue,hue,loudness\n", file);
  std::size_t section = 0;
  for (std::size_t n = 0; n < run.frames.size(); ++n) {
    const double seconds = static_cast<double>(frameMoment(n, run.fps)) / 1000.0;
    while (section < figures.sections.size() && figures.sections[section].to <= seconds)
      ++section;
    const char* name =
        section < figures.sections.size() ? figures.sections[section].name.c_str() : "";
    const FrameLight& f = run.frames[n];
    std::fprintf(file, "%zu,%.3f,%s,%.3f,%.3f,%.3f,%.3f,%.3f,", n, seconds, name, f.band, f.text,
                 f.red, f.green, f.blue);
    if (const auto tint = tintOf(f.red, f.green, f.blue))
      std::fprintf(file, "%.1f", tint->hue);
    const double lufs = loudnessAt(n, run, outputFrequency, loudness.shortTerm(), loudness.hop());
    if (std::isfinite(lufs))
      std::fprintf(file, ",%.2f\n", lufs);
    else
      std::fputs(",\n", file);
  }
  return std::fclose(file) == 0;
}

// A track's sections: its successive half minutes, the last one shorter.
std::vector<SectionSpan> trackSpans(double seconds) {
  static std::vector<std::string> names;
  std::vector<SectionSpan> spans;
  for (int part = 0; part * trackSectionSeconds < seconds; ++part) {
    if (names.size() <= static_cast<std::size_t>(part))
      names.push_back("part " + std::to_string(part + 1));
    const double to = std::min(seconds, (part + 1) * trackSectionSeconds);
    spans.push_back(SectionSpan{names[static_cast<std::size_t>(part)].c_str(),
                                std::llround(part * trackSectionSeconds * outputFrequency),
                                std::llround(to * outputFrequency)});
  }
  return spans;
}

void print(const ShowRun& run, const ShowFigures& show) {
  std::printf("frames: %zu\n", run.frames.size());
  std::printf("music: %.2f s\n", run.seconds);
  std::printf("loudest passages' factor: %.3f\n", run.loudestFactor);
  std::printf("spectrum gain: %+.1f dB\n", 20.0 * std::log10(run.fitGain));
  std::vector<float> bands;
  for (const FrameLight& f : run.frames)
    bands.push_back(static_cast<float>(f.band));
  std::printf("band luminance median: %.1f of 255\n", percentile(bands, 0.5));
  std::printf("frame rate: %d fps\n", run.fps);
  std::printf("band luminance: %.1f of 255\n", show.band);
  std::printf("band luminance median 30-540 s: %.1f of 255\n", show.bandMedian);
  std::printf("brightest 10 s: %.1f of 255, from %.1f s\n", show.brightest, show.brightestFrom);
  std::printf("darkest 10 s: %.1f of 255, from %.1f s\n", show.darkest, show.darkestFrom);
  std::printf("darkest over brightest: %.3f\n",
              show.brightest > 0.0 ? show.darkest / show.brightest : 0.0);
  std::printf("text luminance: %.2f of 255\n", show.text);
  std::printf("beat pulse in drops: %.2f\n", show.dropPulse);
  std::printf("hue: %.0f deg\n", show.hue);
  std::printf("hue spread: %.0f deg\n", show.hueSpread);
  const auto from = [&run](const BusiestSecond& second) {
    return static_cast<double>(frameMoment(second.first, run.fps)) / 1000.0;
  };
  std::printf("general flashes in any second, most: %d from %.1f s\n", show.flashes.general.flashes,
              from(show.flashes.general));
  std::printf("red flashes in any second, most: %d from %.1f s\n", show.flashes.red.flashes,
              from(show.flashes.red));
  std::printf("band relative luminance, highest: %.3f\n", show.flashes.highestLuminance);

  std::printf("\n%-10s %6s %6s | %7s | %5s %5s | %5s | %4s %6s\n", "section", "from", "to",
              "LUFS-S", "band", "text", "pulse", "hue", "spread");
  for (const SectionFigures& s : show.sections)
    std::printf("%-10s %6.1f %6.1f | %7.2f | %5.1f %5.2f | %5.2f | %4.0f %6.0f\n", s.name.c_str(),
                s.from, s.to, s.loudness, s.band, s.text, s.pulse, s.hue, s.hueSpread);
}

int report(const ReportArguments& arguments) {
  // Refused before the run, not after it: the music is never written over.
  std::optional<OutputFile> csv;
  if (!arguments.csvPath.empty()) {
    OutputRules rules;
    rules.replace = true;
    rules.streams = true;
    // The file the run reads, wherever it was found: compared by device and inode.
    rules.inputs = {arguments.musicPath.empty() ? findDataFile(musicFileName)
                                                : arguments.musicPath};
    rules.tag = "report";
    csv.emplace(arguments.csvPath, rules);
  }
  LoudnessMeter loudness(2, outputFrequency);
  std::string problem;
  const auto run =
      runShowMeasured(arguments.fps, arguments.musicPath, arguments.fit, loudness, problem);
  if (!run) {
    std::fprintf(stderr, "show-report: %s\n", problem.c_str());
    return failedExit;
  }
  const ShowFigures figures =
      summariseShow(*run, arguments.musicPath.empty() ? sectionSpans() : trackSpans(run->seconds),
                    outputFrequency, loudness.shortTerm(), loudness.hop());
  print(*run, figures);
  if (csv) {
    if (!writeCsv(*csv, *run, figures, loudness))
      throw OutputFileError("cannot write " + arguments.csvPath + ": " + std::strerror(errno));
    csv->commit();
  }
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  ReportArguments arguments;
  if (!parseArguments(argc, argv, arguments)) {
    std::fprintf(stderr, "%s\n", usage);
    return badArgumentsExit;
  }
  if (arguments.showHelp) {
    std::printf("%s\n", usage);
    return withStandardOutputWritten("show-report", 0);
  }
  try {
    return withStandardOutputWritten("show-report", report(arguments));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "show-report: %s\n", error.what());
    return failedExit;
  }
}
