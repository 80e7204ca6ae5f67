#include "audio/music_timeline.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::size_t chunkFrames = 2048;
// The transform window and a chunk beyond it.
constexpr std::size_t historyFrames = 4 * chunkFrames;

} // namespace

std::unique_ptr<MusicTimeline> MusicTimeline::open(const char* path, std::uint32_t sampleRate,
                                                   DecoderError& error) {
  auto decoder = VorbisLoopDecoder::open(path, sampleRate, error);
  if (!decoder)
    return nullptr;
  return std::unique_ptr<MusicTimeline>(new MusicTimeline(std::move(decoder), sampleRate));
}

MusicTimeline::MusicTimeline(std::unique_ptr<VorbisLoopDecoder> decoder, std::uint32_t sampleRate)
    : decoder_(std::move(decoder)), sampleRate_(sampleRate), history_(historyFrames) {}

void MusicTimeline::decodeTo(std::uint64_t end) {
  std::array<float, chunkFrames * 2> chunk;
  while (position_ < end) {
    const auto wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(chunkFrames, end - position_));
    std::size_t got = decoder_->read(chunk.data(), wanted, true);
    // A file that yields nothing more plays on as silence, as the live layer does.
    std::fill(chunk.begin() + static_cast<std::ptrdiff_t>(got * 2),
              chunk.begin() + static_cast<std::ptrdiff_t>(wanted * 2), 0.0f);
    got = wanted;
    history_.appendStereo(chunk.data(), got);
    if (listener_)
      listener_(chunk.data(), got, position_);
    position_ += got;
  }
}

bool MusicTimeline::skipTo(std::uint64_t position) {
  if (position <= position_)
    return false;
  const std::uint64_t length = decoder_->loopLength();
  if (length == 0 || !decoder_->seek(position % length))
    return false;
  position_ = position;
  history_.restartAt(position);
  return true;
}

void MusicTimeline::spectrumEnding(std::uint64_t end, float* magnitudes) {
  decodeTo(end);
  std::array<float, SpectrumAnalyser::windowSize> window;
  history_.copyEnding(end, window.data(), window.size());
  analyser_.analyse(window.data(), magnitudes);
}
