// velvetstaticfog-capture: renders the show off line, frame by frame, into a
// video file with its music.
#include <cstdio>
#include <string>

#include "capture/capture_arguments.h"
#include "capture/capture_run.h"

namespace {

constexpr int badArgumentsExit = 2;

} // namespace

int main(int argc, char** argv) {
  std::string problem;
  const auto arguments = parseCaptureArguments(argc, argv, problem);
  if (!arguments) {
    std::fprintf(stderr, "velvetstaticfog-capture: %s; %s\n", problem.c_str(), captureUsage);
    return badArgumentsExit;
  }
  return runCapture(*arguments);
}
