// What the show's sound costs on a busy machine: the built music played for
// 20 s through the output SDL opens (playback_bench.sh gives it a private
// PulseAudio server), beside two busy loops in processes of their own at the
// same priority. Counters: processor time of the whole audio path (decoding,
// SDL's and the server connection's threads) per second of music
// (cpu_ms_per_s), the longest time between two of the device's callbacks
// (longest_gap_ms; a device buffer is 23 ms), and the frames the callback
// found no decoded music for (dry_frames).
#include <SDL_timer.h>
#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <memory>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include "audio/audio_device.h"
#include "audio/music_stream.h"
#include "audio/vorbis_loop_decoder.h"
#include "driver/show_timing.h"

extern char** environ;

namespace {

constexpr int busyLoops = 2;
constexpr auto playSeconds = std::chrono::seconds(20);

double processorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Busy loops as processes, so their time is not the process's own.
class BusyLoops {
public:
  explicit BusyLoops(int count) {
    for (int i = 0; i < count; ++i) {
      char shell[] = "sh";
      char option[] = "-c";
      char loop[] = "while :; do :; done";
      char* argv[] = {shell, option, loop, nullptr};
      pid_t child = 0;
      if (posix_spawnp(&child, "sh", nullptr, nullptr, argv, environ) == 0)
        children_.push_back(child);
    }
  }
  ~BusyLoops() {
    for (const pid_t child : children_) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
  }
  BusyLoops(const BusyLoops&) = delete;
  BusyLoops& operator=(const BusyLoops&) = delete;

private:
  std::vector<pid_t> children_;
};

void playbackBesideLoops(benchmark::State& state) {
  for (auto _ : state) {
    auto device = AudioDevice::open(-1, outputFrequency);
    if (!device) {
      state.SkipWithError("no audio output");
      return;
    }
    DecoderError error = DecoderError::none;
    auto decoder = VorbisLoopDecoder::open(VSF_MUSIC_FILE, device->sampleRate(), error);
    if (!decoder) {
      state.SkipWithError("the music did not open");
      return;
    }
    MusicStream stream(std::move(decoder), device->sampleRate(), SDL_GetPerformanceFrequency());
    device->setSource(&stream);
    const BusyLoops loops(busyLoops);
    const double before = processorSeconds();
    stream.play(true);
    std::this_thread::sleep_for(playSeconds);
    const double used = processorSeconds() - before;
    device->setSource(nullptr);
    const double music = static_cast<double>(stream.framesHandedOver()) / device->sampleRate();
    state.counters["cpu_ms_per_s"] = 1000.0 * used / music;
    state.counters["longest_gap_ms"] = 1000.0 * device->longestCallbackGapSeconds();
    state.counters["dry_frames"] = static_cast<double>(stream.framesMissed());
  }
}
BENCHMARK(playbackBesideLoops)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
