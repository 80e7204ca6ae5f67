#pragma once
// The command line of velvetstaticfog-frame:
//   --frame N --elapsed MS (--factors R G B | --spectrum FILE | --music FILE)
//   [--format raw|ppm] [--no-fit] --out FILE
// --music takes the spectrum the show's audio layer gives at the elapsed time,
// fitted to the track's loudness as the capture fits it unless --no-fit.

#include <cstdint>
#include <optional>
#include <string>

#include "effect/colour_factors.h"

enum class FrameFormat { raw, ppm };

struct FrameArguments {
  std::uint64_t frame = 0;   // 1 for the first frame of a run
  std::uint32_t elapsed = 0; // the frame's elapsed milliseconds
  ColourFactors factors;     // as given; with a spectrum or music file, from that
  std::optional<std::string> spectrumPath;
  std::optional<std::string> musicPath;
  bool fit = true;
  FrameFormat format = FrameFormat::raw;
  std::string outputPath;
  bool showHelp = false;    // --help: print the usage and do nothing else
  bool showVersion = false; // --version: likewise the version
};

constexpr const char* frameUsage = "usage: velvetstaticfog-frame --frame N --elapsed MS "
                                   "(--factors R G B | --spectrum FILE | --music FILE) "
                                   "[--format raw|ppm] [--no-fit] --out FILE";

// Parses and checks the arguments; the files they name are not opened here.
// On failure returns nothing and sets `problem` to a short description.
std::optional<FrameArguments> parseFrameArguments(int argc, const char* const* argv,
                                                  std::string& problem);
