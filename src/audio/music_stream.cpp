#include "audio/music_stream.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// About 3 s at 44.1 kHz (1 MiB), more than the server holds: where the
// decoding thread cannot be raised above the program's own priority, a busy
// machine can keep it waiting for over a second.
constexpr std::size_t decodeAheadFrames = 131072;
// The transform window behind the longest latency a sound server reports
// (ServerPosition::maxHeldSeconds), and the time between spectrum requests.
constexpr std::size_t historyFrames = 262144;
constexpr std::size_t decodeChunkFrames = 1024;

} // namespace

MusicStream::MusicStream(std::unique_ptr<VorbisLoopDecoder> decoder, std::uint32_t sampleRate,
                         std::uint64_t tickFrequency)
    : decoder_(std::move(decoder)), ring_(decodeAheadFrames), history_(historyFrames),
      clock_(sampleRate, tickFrequency), worker_([this] { decodeAhead(); }) {}

MusicStream::~MusicStream() = default;

void MusicStream::play(bool loop) {
  looping_.store(loop);
  playing_.store(true);
  worker_.wake();
}

void MusicStream::stop() {
  playing_.store(false);
}

void MusicStream::decodeAhead() {
  std::array<float, decodeChunkFrames * FrameRing::channels> chunk;
  while (ring_.freeFrames() >= decodeChunkFrames) {
    const std::size_t got = decoder_->read(chunk.data(), decodeChunkFrames, looping_.load());
    // Said before the last frames go in, so the callback never counts the
    // end of the music as the decoder falling behind.
    if (got < decodeChunkFrames)
      decoderDone_.store(true);
    ring_.write(chunk.data(), got);
    if (got < decodeChunkFrames)
      break;
  }
}

void MusicStream::render(float* out, std::size_t frames, std::uint64_t ticks) {
  if (!playing_.load()) {
    std::fill_n(out, frames * FrameRing::channels, 0.0f);
    return;
  }
  const std::size_t got = ring_.read(out, frames);
  std::fill(out + got * FrameRing::channels, out + frames * FrameRing::channels, 0.0f);
  const bool dry = got < frames && !decoderDone_.load();
  if (dry) {
    framesMissed_ += frames - got;
    if (!wasDry_)
      ++dryRuns_;
  }
  wasDry_ = dry;
  // What was handed over, silence included, so stream positions stay those of the output.
  history_.appendStereo(out, frames);
  clock_.handedOver(frames, ticks);
}

bool MusicStream::spectrum(float* magnitudes, std::uint64_t nowTicks, std::uint32_t latencyFrames) {
  const std::optional<std::uint64_t> audible = clock_.audibleFrame(nowTicks, latencyFrames);
  if (!audible)
    return false;
  std::array<float, SpectrumAnalyser::windowSize> window;
  history_.copyEnding(*audible, window.data(), window.size());
  analyser_.analyse(window.data(), magnitudes);
  return true;
}
