// velvetstaticfog-frame: composes one frame of the show exactly as a run
// would reach it and writes it to a file, for looking at and comparing.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "effect/effect_state.h"
#include "effect/frame_composition.h"
#include "effect/pixel.h"
#include "factor_files.h"
#include "frame_arguments.h"
#include "output/output_file.h"
#include "project_version.h"

namespace {

constexpr int badArgumentsExit = 2;
constexpr int fileFailedExit = 1;

EffectState effect;

std::vector<std::uint32_t> composeRequestedFrame(const FrameArguments& arguments) {
  loadImageBank(effect.imageBank);
  startAtFrame(effect, arguments.frame - 1); // counted from 1 on the command line
  effect.colourFactors = arguments.factors;
  startFrameCounters(effect, arguments.elapsed);
  setCompositionKernels(effect, CompositionKernels::best); // as the show chooses them
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(frameWidth) * frameHeight, 0);
  composeFrame(effect, pixels.data());
  return pixels;
}

std::string encode(const std::vector<std::uint32_t>& pixels, FrameFormat format) {
  std::string bytes;
  if (format == FrameFormat::ppm) {
    bytes = "P6\n" + std::to_string(frameWidth) + " " + std::to_string(frameHeight) + "\n255\n";
    bytes.reserve(bytes.size() + pixels.size() * 3);
    for (const std::uint32_t pixel : pixels) {
      bytes.push_back(static_cast<char>((pixel >> 16) & 0xFFu));
      bytes.push_back(static_cast<char>((pixel >> 8) & 0xFFu));
      bytes.push_back(static_cast<char>(pixel & 0xFFu));
    }
  } else {
    bytes.reserve(pixels.size() * 4);
    for (const std::uint32_t pixel : pixels) {
      for (int byte = 0; byte < 4; ++byte) {
        bytes.push_back(static_cast<char>((pixel >> (8 * byte)) & 0xFFu));
      }
    }
  }
  return bytes;
}

} // namespace

int main(int argc, char** argv) {
  std::string problem;
  auto arguments = parseFrameArguments(argc, argv, problem);
  if (!arguments) {
    std::fprintf(stderr, "velvetstaticfog-frame: %s; %s\n", problem.c_str(), frameUsage);
    return badArgumentsExit;
  }
  if (arguments->showHelp || arguments->showVersion) {
    if (arguments->showHelp) {
      std::printf("%s\nWrites one frame of the show, as a run reaches it, to a file.\n",
                  frameUsage);
    } else {
      std::printf("velvetstaticfog-frame %s\n", projectVersion);
    }
    // A reader that went away or a full disk is a failure like any other.
    return std::fflush(stdout) == 0 ? 0 : fileFailedExit;
  }
  if (arguments->spectrumPath || arguments->musicPath) {
    const auto factors = arguments->spectrumPath
                             ? readSpectrumFactors(*arguments->spectrumPath, problem)
                             : readMusicFactors(*arguments->musicPath, arguments->elapsed,
                                                                arguments->fit, problem);
    if (!factors) {
      std::fprintf(stderr, "velvetstaticfog-frame: %s\n", problem.c_str());
      return fileFailedExit;
    }
    arguments->factors = *factors;
  }
  const std::string bytes = encode(composeRequestedFrame(*arguments), arguments->format);
  // The frame is small and made again at will: an existing file is replaced,
  // and a stream is written as it is.
  OutputRules rules;
  rules.replace = true;
  rules.streams = true;
  rules.tag = "frame";
  for (const auto& input : {arguments->spectrumPath, arguments->musicPath})
    if (input)
      rules.inputs.push_back(*input);
  if (!writeOutputFile(arguments->outputPath, bytes, rules, problem)) {
    std::fprintf(stderr, "velvetstaticfog-frame: %s\n", problem.c_str());
    return fileFailedExit;
  }
  return 0;
}
