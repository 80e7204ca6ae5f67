#include "capture/capture_session.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <stdexcept>

namespace {

CaptureSession* activeSession = nullptr;
constexpr std::size_t silenceChunk = 1024;

} // namespace

CaptureSession& captureSession() {
  assert(activeSession != nullptr && "a capture back end was used outside a capture session");
  return *activeSession;
}

InstalledCaptureSession::InstalledCaptureSession(CaptureSession& session) {
  if (activeSession != nullptr)
    throw std::logic_error("a capture session is already installed");
  activeSession = &session;
}

InstalledCaptureSession::~InstalledCaptureSession() {
  activeSession = nullptr;
}

CaptureSession::CaptureSession(const CapturePlan& plan, FrameSink& sink)
    : plan_(plan), sink_(sink), soundWritten_(soundPosition(plan.firstFrame)) {}

CaptureSession::~CaptureSession() {
  if (music_ != nullptr)
    music_->setListener(nullptr);
}

std::uint64_t CaptureSession::soundPosition(std::uint64_t frame) const {
  return frame * plan_.sampleRate / static_cast<std::uint64_t>(plan_.fps);
}

DWORD CaptureSession::clockReading() {
  if (!started_) {
    started_ = true;
    return 0;
  }
  return frameMoment();
}

std::uint32_t CaptureSession::frameMoment() const {
  const std::uint64_t frame = plan_.firstFrame + presented_;
  return static_cast<std::uint32_t>(frame * 1000 / static_cast<std::uint64_t>(plan_.fps));
}

void CaptureSession::presentFrame(const std::uint32_t* pixels) {
  sink_.addFrame(pixels);
  ++presented_;
  const std::uint64_t soundEnd = soundPosition(plan_.firstFrame + presented_);
  if (music_ != nullptr)
    music_->decodeTo(soundEnd);
  // Without music the track is silent, so it still lasts as long as the picture.
  static const std::array<float, silenceChunk * 2> silence{};
  while (soundWritten_ < soundEnd) {
    const auto frames =
        static_cast<std::size_t>(std::min<std::uint64_t>(silenceChunk, soundEnd - soundWritten_));
    passSound(silence.data(), frames, soundWritten_);
  }
  if (frameListener_)
    frameListener_(presented_);
}

bool CaptureSession::done() const {
  return presented_ >= plan_.frameCount || stopRequested();
}

void CaptureSession::attachMusic(MusicTimeline* music) {
  if (music_ != nullptr)
    music_->setListener(nullptr);
  music_ = music;
  if (music_ == nullptr)
    return;
  musicSeen_ = true;
  music_->setListener([this](const float* stereo, std::size_t frames, std::uint64_t position) {
    passSound(stereo, frames, position);
  });
}

// Only what lies at or beyond the sound track's end goes on: the music
// before the first frame feeds the spectrum alone.
void CaptureSession::passSound(const float* stereo, std::size_t frames, std::uint64_t position) {
  const std::uint64_t end = position + frames;
  if (end <= soundWritten_)
    return;
  const std::uint64_t skip = soundWritten_ > position ? soundWritten_ - position : 0;
  sink_.addAudio(stereo + skip * 2, static_cast<std::size_t>(frames - skip));
  soundWritten_ = end;
}
