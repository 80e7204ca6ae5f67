#pragma once
// Where in the stream the listener is now. SDL cannot report the position of
// the device, so it is estimated from the latest callback: the frames handed
// over before it, less what the device still holds ahead of them, plus the
// time since. The estimate stays behind what was handed over (the picture
// must not run ahead of the sound) and never moves backwards.

#include <cstdint>
#include <mutex>
#include <optional>

class AudibleClock {
public:
  // latencyFrames: how much the device has queued ahead of a new buffer.
  AudibleClock(std::uint32_t sampleRate, std::uint64_t tickFrequency, std::uint32_t latencyFrames);

  // From the audio callback: `frames` stream frames were just handed over
  // at time `ticks`.
  void handedOver(std::uint64_t frames, std::uint64_t ticks);

  // The index of the first frame not yet audible at `nowTicks`, or nothing
  // before the first callback.
  std::optional<std::uint64_t> audibleFrame(std::uint64_t nowTicks);

  std::uint64_t framesHandedOver() const;

private:
  const double framesPerTick_;
  const std::uint64_t latencyFrames_;

  mutable std::mutex mutex_;
  bool started_ = false;
  std::uint64_t handedBefore_ = 0; // frames handed before the latest callback
  std::uint64_t handedAfter_ = 0;  // ... and including it
  std::uint64_t callbackTicks_ = 0;
  std::uint64_t lastReported_ = 0;
};
