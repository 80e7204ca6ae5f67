// One frame's composition on one thread: the straight-loop reference and the
// show's fast path with each kernel set this processor runs, side by side,
// and the start-up timing that picks the show's set. The speed-ups, the set
// picked and how far it is from the fastest are printed at the end of the run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "effect/effect_state.h"
#include "effect/frame_composition.h"
#include "effect/kernel_choice.h"
#include "effect/row_kernels.h"
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

// The show's choice: the kernels timed fastest at start-up.
void BM_ComposeFrameFast(benchmark::State& state) {
  state.SetLabel(fastestRowKernels().name);
  composeFastFrames<CompositionKernels::best>(state);
}
void BM_ComposeFrameFastAvx512(benchmark::State& state) {
  composeFastFrames<CompositionKernels::avx512>(state);
}
void BM_ComposeFrameFastAvx2(benchmark::State& state) {
  composeFastFrames<CompositionKernels::avx2>(state);
}
void BM_ComposeFrameFastPortable(benchmark::State& state) {
  composeFastFrames<CompositionKernels::portable>(state);
}

// What the choice adds to the show's start-up, scratch frames included.
void BM_ChooseKernels(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(measureFastestRowKernels(supportedRowKernels()));
  }
}

// On a shared machine a busy neighbour only ever adds time: the fastest
// repetition is the one to compare.
double fastestRepetition(const std::vector<double>& times) {
  return *std::min_element(times.begin(), times.end());
}

benchmark::internal::Benchmark* inMicroseconds(benchmark::internal::Benchmark* benchmark) {
  return benchmark->Unit(benchmark::kMicrosecond)
      ->UseRealTime()
      ->ComputeStatistics("min", fastestRepetition);
}

// The AVX-512 set only where it runs.
void registerBenchmarks() {
  inMicroseconds(benchmark::RegisterBenchmark("BM_ComposeFramePlain", BM_ComposeFramePlain));
  inMicroseconds(benchmark::RegisterBenchmark("BM_ComposeFrameFast", BM_ComposeFrameFast));
  if (avx512RowKernelsIfSupported()) {
    inMicroseconds(
        benchmark::RegisterBenchmark("BM_ComposeFrameFastAvx512", BM_ComposeFrameFastAvx512));
  }
  inMicroseconds(benchmark::RegisterBenchmark("BM_ComposeFrameFastAvx2", BM_ComposeFrameFastAvx2));
  inMicroseconds(
      benchmark::RegisterBenchmark("BM_ComposeFrameFastPortable", BM_ComposeFrameFastPortable));
  inMicroseconds(benchmark::RegisterBenchmark("BM_ChooseKernels", BM_ChooseKernels))
      ->Unit(benchmark::kMillisecond);
}

// Keeps each benchmark's times per frame (the fastest repetition) so the
// speed-ups can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool fastest = run.run_type == Run::RT_Aggregate && run.aggregate_name == "min";
      if (run.error_occurred || (run.run_type == Run::RT_Aggregate && !fastest)) {
        continue;
      }
      const std::string& args = run.run_name.args;
      Times& times = times_[run.run_name.function_name + (args.empty() ? "" : "/" + args)];
      if (fastest || !times.fromRepetitions) {
        times = Times{run.GetAdjustedRealTime(), run.GetAdjustedCPUTime(), fastest};
      }
    }
  }

  void printRatios() const {
    const auto plain = times_.find(plainName);
    if (plain == times_.end()) {
      return;
    }
    for (const auto& [name, fast] : times_) {
      if (name == plain->first || !isFrame(name) || fast.real <= 0 || fast.cpu <= 0) {
        continue;
      }
      std::printf("%s is %.1fx as fast as BM_ComposeFramePlain in real time (%.0f us against "
                  "%.0f us), %.1fx in CPU time of the calling thread\n",
                  name.c_str(), plain->second.real / fast.real, fast.real, plain->second.real,
                  plain->second.cpu / fast.cpu);
    }
  }

  // The default path against the fastest kernel set benchmarked beside it.
  void printChoice(const char* chosen) const {
    const auto fast = times_.find(defaultName);
    const Times* fastest = nullptr;
    std::string fastestName;
    for (const auto& [name, times] : times_) {
      const bool kernelSet = isFrame(name) && name != plainName && name != defaultName;
      if (kernelSet && (fastest == nullptr || times.real < fastest->real)) {
        fastest = &times;
        fastestName = name;
      }
    }
    if (fast == times_.end() || fastest == nullptr) {
      return;
    }
    std::printf("%s draws with the %s kernels: %.0f us per frame, %+.1f %% against the fastest "
                "set, %s at %.0f us (%+.1f %% in CPU time)\n",
                defaultName, chosen, fast->second.real, percentOver(fast->second.real, fastest->real),
                fastestName.c_str(), fastest->real, percentOver(fast->second.cpu, fastest->cpu));
    if (const auto choosing = times_.find("BM_ChooseKernels"); choosing != times_.end()) {
      std::printf("Timing the kernels at start-up takes %.2f ms\n", choosing->second.real);
    }
  }

private:
  static constexpr const char* plainName = "BM_ComposeFramePlain";
  static constexpr const char* defaultName = "BM_ComposeFrameFast";

  static bool isFrame(const std::string& name) { return name.starts_with("BM_ComposeFrame"); }
  static double percentOver(double time, double reference) {
    return (time / reference - 1.0) * 100.0;
  }

  struct Times {
    double real = 0;
    double cpu = 0;
    bool fromRepetitions = false;
  };
  std::map<std::string, Times> times_;
};

} // namespace

int main(int argc, char** argv) {
  registerBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  loadImageBank(effect.imageBank);
  startAtFrame(effect, 0); // the show's state before its first frame
  const char* chosen = fastestRowKernels().name;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  reporter.printChoice(chosen);
  benchmark::Shutdown();
  return 0;
}
