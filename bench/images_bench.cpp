// Start-up cost of the pictures: decoding all 79 into the bank and reducing
// them to levels, as the show does before its first frame.

#include <benchmark/benchmark.h>

#include "images/image_bank.h"

namespace {

// Static, as the show keeps it: a cold bank is untouched zero pages.
ImageBank imageBank{};

// Registered first, so it meets the bank untouched: this is the cost a real
// start-up pays, page faults on the 20 MB bank included.
void coldStartUp(benchmark::State& state) {
  for (auto _ : state) {
    loadImageBank(imageBank);
    applyLevelTransform(imageBank);
    benchmark::DoNotOptimize(imageBank.data());
  }
}
BENCHMARK(coldStartUp)->Iterations(1)->Unit(benchmark::kMillisecond);

void loadAndTransform(benchmark::State& state) {
  for (auto _ : state) {
    loadImageBank(imageBank);
    applyLevelTransform(imageBank);
    benchmark::DoNotOptimize(imageBank.data());
  }
}
BENCHMARK(loadAndTransform)->Unit(benchmark::kMillisecond);

void loadOnly(benchmark::State& state) {
  for (auto _ : state) {
    loadImageBank(imageBank);
    benchmark::DoNotOptimize(imageBank.data());
  }
}
BENCHMARK(loadOnly)->Unit(benchmark::kMillisecond);

void transformOnly(benchmark::State& state) {
  for (auto _ : state) {
    applyLevelTransform(imageBank);
    benchmark::DoNotOptimize(imageBank.data());
  }
}
BENCHMARK(transformOnly)->Unit(benchmark::kMillisecond);

} // namespace
