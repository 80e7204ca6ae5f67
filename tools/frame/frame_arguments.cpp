#include "frame_arguments.h"

#include <cstdlib>
#include <limits>
#include <string_view>

#include "command_line/whole_number.h"

namespace {

// A whole argument as a 32-bit float; nan and inf are accepted, and values
// beyond the float range round as strtof rounds them.
std::optional<float> parseFloat(const char* text) {
  if (*text == '\0') {
    return std::nullopt;
  }
  char* end = nullptr;
  const float value = std::strtof(text, &end);
  if (*end != '\0') {
    return std::nullopt;
  }
  return value;
}

} // namespace

std::optional<FrameArguments> parseFrameArguments(int argc, const char* const* argv,
                                                  std::string& problem) {
  FrameArguments arguments;
  bool haveFrame = false, haveElapsed = false, haveFactors = false, haveFormat = false,
       haveOutput = false;
  std::optional<std::string>& spectrumPath = arguments.spectrumPath;
  std::optional<std::string>& musicPath = arguments.musicPath;
  const auto fail = [&problem](std::string text) {
    problem = std::move(text);
    return std::nullopt;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    const int valuesLeft = argc - 1 - i;
    // Wherever an option may stand, these answer alone: nothing else is checked.
    if (option == "--help" || option == "--version") {
      (option == "--help" ? arguments.showHelp : arguments.showVersion) = true;
      return arguments;
    }
    const auto once = [&](bool& seen) {
      const bool first = !seen;
      seen = true;
      return first;
    };
    if (option == "--frame" && valuesLeft >= 1) {
      if (!once(haveFrame)) {
        return fail("--frame given twice");
      }
      const auto frame = parseWholeNumber(argv[++i], std::numeric_limits<std::uint64_t>::max());
      if (!frame || *frame == 0) {
        return fail("--frame needs a whole number of at least 1");
      }
      arguments.frame = *frame;
    } else if (option == "--elapsed" && valuesLeft >= 1) {
      if (!once(haveElapsed)) {
        return fail("--elapsed given twice");
      }
      const auto elapsed = parseWholeNumber(argv[++i], std::numeric_limits<std::uint32_t>::max());
      if (!elapsed) {
        return fail("--elapsed needs milliseconds 0..4294967295");
      }
      arguments.elapsed = static_cast<std::uint32_t>(*elapsed);
    } else if (option == "--factors" && valuesLeft >= 3) {
      if (!once(haveFactors) || spectrumPath || musicPath) {
        return fail("give one of --factors, --spectrum or --music, once");
      }
      const auto red = parseFloat(argv[i + 1]);
      const auto green = parseFloat(argv[i + 2]);
      const auto blue = parseFloat(argv[i + 3]);
      i += 3;
      if (!red || !green || !blue) {
        return fail("--factors needs three numbers");
      }
      arguments.factors = ColourFactors{*red, *green, *blue};
    } else if (option == "--spectrum" && valuesLeft >= 1) {
      if (haveFactors || spectrumPath || musicPath) {
        return fail("give one of --factors, --spectrum or --music, once");
      }
      spectrumPath = argv[++i];
    } else if (option == "--music" && valuesLeft >= 1) {
      if (haveFactors || spectrumPath || musicPath) {
        return fail("give one of --factors, --spectrum or --music, once");
      }
      musicPath = argv[++i];
    } else if (option == "--no-fit") {
      if (!arguments.fit) {
        return fail("--no-fit given twice");
      }
      arguments.fit = false;
    } else if (option == "--format" && valuesLeft >= 1) {
      if (!once(haveFormat)) {
        return fail("--format given twice");
      }
      const std::string_view format = argv[++i];
      if (format == "raw") {
        arguments.format = FrameFormat::raw;
      } else if (format == "ppm") {
        arguments.format = FrameFormat::ppm;
      } else {
        return fail("--format is raw or ppm");
      }
    } else if (option == "--out" && valuesLeft >= 1) {
      if (!once(haveOutput)) {
        return fail("--out given twice");
      }
      arguments.outputPath = argv[++i];
      if (arguments.outputPath.empty()) {
        return fail("--out needs a file name");
      }
    } else {
      return fail("unexpected or incomplete argument " + std::string(option));
    }
  }
  if (!haveFrame || !haveElapsed || !haveOutput || (!haveFactors && !spectrumPath && !musicPath)) {
    return fail(
        "--frame, --elapsed, --out and one of --factors, --spectrum or --music are required");
  }
  return arguments;
}
