// Capture speed: the whole capture program (start-up, rendering, encoding,
// muxing) run on 20 s of the show from 60 s in, at scale 1 and 2 with x264
// and lossless. Counters: captured frames per second of wall time (fps),
// per second of the program's processor time on all its threads
// (fps_per_cpu_s), and the bit rate of the file (Mbit_s). On a loaded machine
// the wall figure falls with the load; the processor figure does not.
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "driver/show_timing.h"

namespace {

namespace fs = std::filesystem;

constexpr int spanSeconds = 20;
constexpr int fps = showFrameRate;

double seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

void capture(benchmark::State& state, std::vector<std::string> options, const char* name) {
  const fs::path out =
      fs::temp_directory_path() / ("vsf-capture-bench-" + std::to_string(getpid()) + "-" + name);
  std::vector<std::string> words{
      VSF_CAPTURE_PROGRAM, "--out", out.string(), "--force",
      "--start",           "60000", "--seconds",  std::to_string(spanSeconds)};
  words.insert(words.end(), options.begin(), options.end());
  const double frames = spanSeconds * fps;
  for (auto _ : state) {
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      std::vector<char*> argv;
      argv.reserve(words.size() + 1);
      for (std::string& word : words)
        argv.push_back(word.data());
      argv.push_back(nullptr);
      // The show reads its music from the current folder.
      if (chdir(VSF_BUILD_DIR) == 0)
        execv(argv[0], argv.data());
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("the capture failed");
      break;
    }
    state.SetIterationTime(wall);
    state.counters["fps"] = frames / wall;
    state.counters["fps_per_cpu_s"] = frames / (seconds(usage.ru_utime) + seconds(usage.ru_stime));
    state.counters["Mbit_s"] = static_cast<double>(fs::file_size(out)) * 8.0 / 1e6 / spanSeconds;
  }
  fs::remove(out);
}

} // namespace

BENCHMARK_CAPTURE(capture, x264_scale1, {"--scale", "1"}, "scale1.mp4")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(capture, x264_scale2, {"--scale", "2"}, "scale2.mp4")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(capture, lossless_scale2, {"--lossless"}, "lossless.mkv")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(capture, lossless_scale1, {"--lossless", "--scale", "1"}, "lossless1.mkv")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
