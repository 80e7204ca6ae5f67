// One frame's composition on one thread: the straight-loop reference and the
// show's fast path with each kernel set this processor runs, side by side;
// the speed-ups are printed at the end of the run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "effect/effect_state.h"
#include "effect/frame_composition.h"
#include "effect/pixel.h"

namespace {

EffectState effect;
std::vector<std::uint32_t> surface(static_cast<std::size_t>(frameWidth) * frameHeight);

// Frames as the loop drives them: the clock moves on and the factors change
// with every frame.
template <void (*compose)(EffectState&, std::uint32_t*)>
void composeFrames(benchmark::State& state) {
  std::uint32_t elapsed = 31000;
  for (auto _ : state) {
    const float swing = static_cast<float>(elapsed % 1000) / 1000.0f;
    effect.colourFactors = ColourFactors{0.4f + swing, 1.3f - swing, 0.2f + swing * 0.5f};
    startFrameCounters(effect, elapsed);
    compose(effect, surface.data());
    benchmark::DoNotOptimize(surface.data());
    benchmark::ClobberMemory();
    elapsed += 16;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ComposeFramePlain(benchmark::State& state) {
  composeFrames<composeFramePlain>(state);
}

template <CompositionKernels kernels> void composeFastFrames(benchmark::State& state) {
  if (!setCompositionKernels(effect, kernels)) {
    state.SkipWithError("this processor lacks the instruction set");
    return;
  }
  composeFrames<composeFrame>(state);
  setCompositionKernels(effect, CompositionKernels::best);
}

// The show's choice: the widest kernels this processor runs.
void BM_ComposeFrameFast(benchmark::State& state) {
  composeFastFrames<CompositionKernels::best>(state);
}
void BM_ComposeFrameFastAvx2(benchmark::State& state) {
  composeFastFrames<CompositionKernels::avx2>(state);
}
void BM_ComposeFrameFastPortable(benchmark::State& state) {
  composeFastFrames<CompositionKernels::portable>(state);
}

BENCHMARK(BM_ComposeFramePlain)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ComposeFrameFast)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ComposeFrameFastAvx2)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ComposeFrameFastPortable)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Keeps each benchmark's times per frame (the median when repeated) so the
// speed-ups can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.error_occurred || (run.run_type == Run::RT_Aggregate && !median)) {
        continue;
      }
      const std::string& args = run.run_name.args;
      Times& times = times_[run.run_name.function_name + (args.empty() ? "" : "/" + args)];
      if (median || !times.fromMedian) {
        times = Times{run.GetAdjustedRealTime(), run.GetAdjustedCPUTime(), median};
      }
    }
  }

  void printRatios() const {
    const auto plain = times_.find("BM_ComposeFramePlain");
    if (plain == times_.end()) {
      return;
    }
    for (const auto& [name, fast] : times_) {
      if (name == plain->first || fast.real <= 0 || fast.cpu <= 0) {
        continue;
      }
      std::printf("%s is %.1fx as fast as BM_ComposeFramePlain in real time (%.0f us against "
                  "%.0f us), %.1fx in CPU time of the calling thread\n",
                  name.c_str(), plain->second.real / fast.real, fast.real, plain->second.real,
                  plain->second.cpu / fast.cpu);
    }
  }

private:
  struct Times {
    double real = 0;
    double cpu = 0;
    bool fromMedian = false;
  };
  std::map<std::string, Times> times_;
};

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  loadImageBank(effect.imageBank);
  applyLevelTransform(effect.imageBank);
  fillNoiseTable(effect.noiseTable, effect.randomState);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
