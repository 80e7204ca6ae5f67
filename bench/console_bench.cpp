// Frames per second of the real SDL console: what the show's frame loop
// asks of the display every frame (key check, lock, unlock, copy, update,
// key check), with the picture changing each time.
//
// Needs a display, so it is not part of `make bench`; run it by hand, e.g.
// on an Xvfb with openbox:  console_bench [--fullscreen] [--benchmark_min_time=5]
// With --novsync the renderer presents without waiting for the refresh.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "display/ptc.h"

namespace {

bool fullscreen = false;

void consoleFrame(benchmark::State& state) {
  const ptc::Format format(32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0);
  try {
    ptc::Console console;
    console.option(fullscreen ? "fullscreen output" : "windowed output");
    console.open("console_bench", 640, 480, format, 0);
    ptc::Surface surface(console.width(), console.height(), format);
    std::uint32_t shade = 0;
    for (auto _ : state) {
      if (console.key()) {
        state.SkipWithError("stopped: the window was closed or a key pressed");
        break;
      }
      auto* pixels = static_cast<std::uint32_t*>(surface.lock());
      std::memset(pixels + 640 * 200, static_cast<int>(shade++ & 0xFF), 640 * 4 * 80);
      surface.unlock();
      surface.copy(console);
      console.update();
      while (console.key())
        console.read();
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  } catch (const ptc::DynamicError& error) {
    state.SkipWithError(error.what());
  }
}
BENCHMARK(consoleFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--fullscreen")
      fullscreen = true;
    if (argument == "--novsync")
      SDL_setenv("SDL_RENDER_VSYNC", "0", 1);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
