#pragma once
// What the capture back ends share while the show runs under them: which
// frames are captured, the frame being drawn, the sink the frames and the
// music go to, and the request to stop early. One session at a time, put in
// place by an InstalledCaptureSession for as long as the show runs on it.
//
// Frame n of the whole show is drawn at floor(n x 1000 / fps) ms; a capture
// takes frames firstFrame .. firstFrame + frameCount - 1 of it, and its sound
// runs from frame firstFrame's moment to the end of the last frame.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "audio/decoded_track.h"
#include "audio/music_timeline.h"
#include "capture/frame_sink.h"
#include "driver/show_timing.h"
#include "platform/win_types.h"

struct CapturePlan {
  int fps = showFrameRate;
  std::uint64_t firstFrame = 0;
  std::uint64_t frameCount = 0;
  std::uint32_t sampleRate = outputFrequency;
};

class CaptureSession {
public:
  CaptureSession(const CapturePlan& plan, FrameSink& sink);
  ~CaptureSession();
  CaptureSession(const CaptureSession&) = delete;
  CaptureSession& operator=(const CaptureSession&) = delete;

  const CapturePlan& plan() const { return plan_; }

  // The clock: its first reading is the show's start time; every later one
  // is the start plus the moment of the frame being drawn.
  DWORD clockReading();
  // Milliseconds from the show's start to the frame being drawn.
  std::uint32_t frameMoment() const;

  // The console: hands the frame to the sink, then the music up to the end of
  // the frame's time, and moves on to the next frame.
  void presentFrame(const std::uint32_t* pixels);
  // True once the last frame is presented or a stop was requested.
  bool done() const;
  std::uint64_t framesPresented() const { return presented_; }
  // Safe to call from a signal handler.
  void requestStop() { stopRequested_.store(true, std::memory_order_relaxed); }
  bool stopRequested() const { return stopRequested_.load(std::memory_order_relaxed); }
  void setFrameListener(std::function<void(std::uint64_t presented)> listener) {
    frameListener_ = std::move(listener);
  }

  // The track the show plays whatever file it names, decoded before the run,
  // and the gain on its spectrum. Without one the audio layer decodes the
  // named file as it goes.
  void setTrack(std::shared_ptr<const DecodedTrack> track, float spectrumGain) {
    track_ = std::move(track);
    spectrumGain_ = spectrumGain;
  }
  const std::shared_ptr<const DecodedTrack>& track() const { return track_; }
  float spectrumGain() const { return spectrumGain_; }

  // The audio layer: the music the sound track is cut from, while its stream lives.
  void attachMusic(MusicTimeline* music);
  bool musicAttached() const { return musicSeen_; }

private:
  std::uint64_t soundPosition(std::uint64_t frame) const;
  void passSound(const float* stereo, std::size_t frames, std::uint64_t position);

  CapturePlan plan_;
  FrameSink& sink_;
  bool started_ = false;
  std::uint64_t presented_ = 0;
  std::uint64_t soundWritten_; // stream position the sound track has reached
  std::atomic<bool> stopRequested_{false};
  static_assert(std::atomic<bool>::is_always_lock_free);
  std::function<void(std::uint64_t)> frameListener_;
  MusicTimeline* music_ = nullptr;
  bool musicSeen_ = false;
  std::shared_ptr<const DecodedTrack> track_;
  float spectrumGain_ = 1.0f;
};

// The session the capture back ends serve: the one installed now.
CaptureSession& captureSession();

// Makes `session` the one the back ends serve for as long as this object
// lives, and leaves none in place after, however its scope is left. A second
// installation while one stands is a fault of the caller: refused with
// std::logic_error, changing nothing.
class InstalledCaptureSession {
public:
  explicit InstalledCaptureSession(CaptureSession& session);
  ~InstalledCaptureSession();
  InstalledCaptureSession(const InstalledCaptureSession&) = delete;
  InstalledCaptureSession& operator=(const InstalledCaptureSession&) = delete;
};
