// velvetstaticfog-capture: renders the show off line, frame by frame, into a
// video file with its music.
#include <cstdio>
#include <string>

#include "capture/capture_arguments.h"
#include "capture/capture_run.h"
#include "project_version.h"

namespace {

constexpr int badArgumentsExit = 2;
constexpr int unwrittenOutputExit = 1;

} // namespace

int main(int argc, char** argv) {
  std::string problem;
  const auto arguments = parseCaptureArguments(argc, argv, problem);
  if (!arguments) {
    std::fprintf(stderr, "velvetstaticfog-capture: %s; %s\n", problem.c_str(), captureUsage);
    return badArgumentsExit;
  }
  if (arguments->showHelp || arguments->showVersion) {
    if (arguments->showHelp)
      std::printf("%s\nRenders the show into a video file with its music; see "
                  "velvetstaticfog-capture(1).\n",
                  captureUsage);
    else
      std::printf("velvetstaticfog-capture %s\n", projectVersion);
    // A reader that went away or a full disk is a failure like any other.
    return std::fflush(stdout) == 0 ? 0 : unwrittenOutputExit;
  }
  return runCapture(*arguments);
}
