// Cost of the per-frame spectrum request: the whole BASS_ChannelGetData on a
// stream playing on SDL's dummy output, and the transform on its own. And
// the cost of opening the music, clean and with 2 GiB of junk after it.
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <thread>
#include <unistd.h>
#include <vector>

#include "audio/bass.h"
#include "audio/spectrum_analyser.h"
#include "audio/vorbis_loop_decoder.h"
#include "driver/show_timing.h"
#include "music/vorbis_writer.h"

namespace {

std::vector<float> toneFrames(std::size_t frames) {
  std::vector<float> out(2 * frames);
  for (std::size_t i = 0; i < frames; ++i)
    out[2 * i] = out[2 * i + 1] = static_cast<float>(
        0.5 * std::sin(2.0 * std::numbers::pi * 440.0 * static_cast<double>(i) / outputFrequency));
  return out;
}

void spectrumRequest(benchmark::State& state) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const std::string file = (std::filesystem::temp_directory_path() /
                            ("vsf-audio-bench-" + std::to_string(getpid()) + ".ogg"))
                               .string();
  writeVorbisFile(file, toneFrames(outputFrequency), 2, outputFrequency);
  if (!BASS_Init(-1, outputFrequency, 0, nullptr)) {
    state.SkipWithError("no audio output");
    return;
  }
  const HSTREAM stream = BASS_StreamCreateFile(FALSE, file.c_str(), 0, 0, 0);
  BASS_StreamPlay(stream, FALSE, streamLoopFlag);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::array<float, 1024> spectrum{};
  for (auto _ : state) {
    benchmark::DoNotOptimize(BASS_ChannelGetData(stream, spectrum.data(), spectrumRequest1024));
    benchmark::ClobberMemory();
  }
  BASS_Free();
  std::filesystem::remove(file);
}
BENCHMARK(spectrumRequest)->Unit(benchmark::kMicrosecond);

void transformOnly(benchmark::State& state) {
  SpectrumAnalyser analyser;
  std::vector<float> samples(SpectrumAnalyser::windowSize);
  for (std::size_t n = 0; n < samples.size(); ++n)
    samples[n] = static_cast<float>(std::sin(0.1 * static_cast<double>(n)));
  std::array<float, SpectrumAnalyser::binCount> bins{};
  for (auto _ : state) {
    analyser.analyse(samples.data(), bins.data());
    benchmark::DoNotOptimize(bins.data());
  }
}
BENCHMARK(transformOnly)->Unit(benchmark::kMicrosecond);

// Argument: bytes after the music, zeros in a sparse file behind a little
// random junk, so the tail costs no disk.
void musicOpen(benchmark::State& state) {
  const auto tailBytes = static_cast<std::uintmax_t>(state.range(0));
  const std::string file = (std::filesystem::temp_directory_path() /
                            ("vsf-open-bench-" + std::to_string(getpid()) + ".ogg"))
                               .string();
  writeVorbisFile(file, toneFrames(outputFrequency * 30), 2, outputFrequency);
  const std::uintmax_t musicBytes = std::filesystem::file_size(file);
  if (tailBytes > 0) {
    std::FILE* out = std::fopen(file.c_str(), "ab");
    for (int i = 0; i < 4096; ++i)
      std::fputc((i * 7919) & 0xFF, out);
    std::fclose(out);
    std::filesystem::resize_file(file, musicBytes + tailBytes);
  }
  for (auto _ : state) {
    DecoderError error = DecoderError::none;
    auto decoder = VorbisLoopDecoder::open(file.c_str(), outputFrequency, error);
    if (!decoder) {
      state.SkipWithError("the music did not open");
      break;
    }
    benchmark::DoNotOptimize(decoder.get());
  }
  std::filesystem::remove(file);
}
BENCHMARK(musicOpen)->Arg(0)->Arg(std::int64_t{2} << 30)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
