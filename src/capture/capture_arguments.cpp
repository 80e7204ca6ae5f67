#include "capture/capture_arguments.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <string_view>

#include "command_line/whole_number.h"
#include "driver/show_timing.h"

namespace {

constexpr int maxFps = 240;
constexpr int maxScale = 4;
constexpr int maxCrf = 51;

// The show's end in whole seconds, for messages.
std::string showEndSeconds() {
  return std::to_string(showDuration / 1000);
}

// Seconds with up to three decimals, as milliseconds.
std::optional<std::uint64_t> parseSeconds(std::string_view text) {
  const std::size_t point = text.find('.');
  const auto whole = parseWholeNumber(text.substr(0, point), showDuration);
  if (!whole)
    return std::nullopt;
  std::uint64_t fraction = 0;
  if (point != std::string_view::npos) {
    const std::string_view decimals = text.substr(point + 1);
    if (decimals.empty() || decimals.size() > 3)
      return std::nullopt;
    const auto digits = parseWholeNumber(decimals, 999);
    if (!digits)
      return std::nullopt;
    fraction = *digits;
    for (std::size_t i = decimals.size(); i < 3; ++i)
      fraction *= 10;
  }
  return *whole * 1000 + fraction;
}

std::optional<Container> containerFor(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
    return std::nullopt;
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == "mp4")
    return Container::mp4;
  if (extension == "mkv")
    return Container::matroska;
  return std::nullopt;
}

} // namespace

std::optional<CaptureArguments> parseCaptureArguments(int argc, const char* const* argv,
                                                      std::string& problem) {
  CaptureArguments arguments;
  bool haveOut = false, haveFps = false, haveStart = false, haveSeconds = false, haveScale = false,
       haveQuality = false, haveLossless = false, haveForce = false, haveMusic = false,
       haveNoFit = false;
  const auto fail = [&problem](std::string text) {
    problem = std::move(text);
    return std::nullopt;
  };
  const auto once = [](bool& seen) {
    const bool first = !seen;
    seen = true;
    return first;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    // Wherever an option may stand, these answer alone: nothing else is checked.
    if (option == "--help" || option == "--version") {
      (option == "--help" ? arguments.showHelp : arguments.showVersion) = true;
      return arguments;
    }
    const bool hasValue = i + 1 < argc;
    if (option == "--lossless" || option == "--force" || option == "--no-fit") {
      if (!once(option == "--lossless" ? haveLossless
                : option == "--force"  ? haveForce
                                       : haveNoFit))
        return fail(std::string(option) + " given twice");
      continue;
    }
    bool* seen = option == "--out"       ? &haveOut
                 : option == "--fps"     ? &haveFps
                 : option == "--start"   ? &haveStart
                 : option == "--seconds" ? &haveSeconds
                 : option == "--scale"   ? &haveScale
                 : option == "--quality" ? &haveQuality
                 : option == "--music"   ? &haveMusic
                                         : nullptr;
    if (seen == nullptr || !hasValue)
      return fail("unexpected or incomplete argument " + std::string(option));
    if (!once(*seen))
      return fail(std::string(option) + " given twice");
    const std::string_view value = argv[++i];
    if (option == "--out") {
      arguments.outputPath = value;
    } else if (option == "--music") {
      if (value.empty())
        return fail("--music needs a file");
      arguments.musicPath = value;
    } else if (option == "--fps") {
      const auto fps = parseWholeNumber(value, maxFps);
      if (!fps || *fps == 0)
        return fail("--fps needs a whole number 1..240");
      arguments.fps = static_cast<int>(*fps);
    } else if (option == "--start") {
      const auto start = parseWholeNumber(value, showDuration - 1);
      if (!start)
        return fail("--start needs milliseconds 0.." + std::to_string(showDuration - 1));
      arguments.startMs = static_cast<std::uint32_t>(*start);
    } else if (option == "--seconds") {
      const auto span = parseSeconds(value);
      if (!span || *span == 0 || *span > showDuration)
        return fail("--seconds needs seconds above 0 and up to " + showEndSeconds() +
                    ", with at most three decimals");
      arguments.spanMs = static_cast<std::uint32_t>(*span);
    } else if (option == "--scale") {
      const auto scale = parseWholeNumber(value, maxScale);
      if (!scale || *scale == 0)
        return fail("--scale needs a whole number 1..4");
      arguments.video.scale = static_cast<int>(*scale);
    } else {
      const auto crf = parseWholeNumber(value, maxCrf);
      if (!crf)
        return fail("--quality needs a whole number 0..51 (lower is better)");
      arguments.video.crf = static_cast<int>(*crf);
    }
  }
  arguments.force = haveForce;
  arguments.fit = !haveNoFit;
  arguments.spanGiven = haveSeconds;
  arguments.video.lossless = haveLossless;
  arguments.video.fps = arguments.fps;

  if (!haveOut || arguments.outputPath.empty())
    return fail("--out FILE is required");
  const auto container = containerFor(arguments.outputPath);
  if (!container)
    return fail("the output file's name must end in .mp4 or .mkv");
  arguments.video.container = *container;
  if (haveLossless && *container != Container::matroska)
    return fail("--lossless writes Matroska: name a .mkv file");
  if (haveLossless && haveQuality)
    return fail("--quality does not apply to --lossless");
  if (!haveSeconds)
    arguments.spanMs = showDuration - arguments.startMs;
  if (static_cast<std::uint64_t>(arguments.startMs) + arguments.spanMs > showDuration)
    return fail("--start and --seconds must end by the show's end at " + showEndSeconds() + " s");
  if (capturePlanFor(arguments, 1).frameCount == 0)
    return fail("no frame falls between --start and the end of --seconds");
  return arguments;
}

std::optional<CaptureArguments> fitSpanToTrack(const CaptureArguments& arguments,
                                               std::uint64_t trackMs, std::string& problem) {
  CaptureArguments fitted = arguments;
  if (arguments.spanGiven)
    return fitted;
  const std::uint64_t end = std::min<std::uint64_t>(trackMs, showDuration);
  if (trackMs == 0) {
    problem = "it lasts less than a millisecond: there is nothing to show";
    return std::nullopt;
  }
  if (end <= arguments.startMs) {
    problem = "--start lies at or beyond the track's end at " + std::to_string(trackMs) + " ms";
    return std::nullopt;
  }
  fitted.spanMs = static_cast<std::uint32_t>(end - arguments.startMs);
  if (capturePlanFor(fitted, 1).frameCount == 0) {
    problem = "no frame falls between --start and the track's end";
    return std::nullopt;
  }
  return fitted;
}

CapturePlan capturePlanFor(const CaptureArguments& arguments, std::uint32_t sampleRate) {
  const auto fps = static_cast<std::uint64_t>(arguments.fps);
  // The first frame n with n x 1000 / fps at or after the start, and the
  // first one at or after the end.
  const std::uint64_t first = (static_cast<std::uint64_t>(arguments.startMs) * fps + 999) / 1000;
  const std::uint64_t end =
      ((static_cast<std::uint64_t>(arguments.startMs) + arguments.spanMs) * fps + 999) / 1000;
  CapturePlan plan;
  plan.fps = arguments.fps;
  plan.firstFrame = first;
  plan.frameCount = end - first;
  plan.sampleRate = sampleRate;
  return plan;
}
