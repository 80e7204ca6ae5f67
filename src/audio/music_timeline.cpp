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

MusicTimeline::MusicTimeline(std::shared_ptr<const DecodedTrack> track, float gain)
    : track_(std::move(track)), gain_(gain), sampleRate_(track_->sampleRate),
      history_(historyFrames) {}

std::size_t MusicTimeline::read(float* out, std::size_t frames) {
  if (!track_)
    return decoder_->read(out, frames, true);
  const std::uint64_t length = track_->frames();
  std::size_t done = 0;
  while (length > 0 && done < frames) {
    if (trackPosition_ >= length)
      trackPosition_ = 0;
    const auto count =
        static_cast<std::size_t>(std::min<std::uint64_t>(frames - done, length - trackPosition_));
    std::copy_n(track_->stereo.begin() + static_cast<std::ptrdiff_t>(trackPosition_ * 2), count * 2,
                out + done * 2);
    done += count;
    trackPosition_ += count;
  }
  return done;
}

void MusicTimeline::decodeTo(std::uint64_t end) {
  std::array<float, chunkFrames * 2> chunk;
  while (position_ < end) {
    const auto wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(chunkFrames, end - position_));
    std::size_t got = read(chunk.data(), wanted);
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
  const std::uint64_t length = loopLength();
  if (length == 0)
    return false;
  if (track_)
    trackPosition_ = position % length;
  else if (!decoder_->seek(position % length))
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
  if (gain_ != 1.0f)
    for (std::size_t k = 0; k < SpectrumAnalyser::binCount; ++k)
      magnitudes[k] *= gain_;
}
