#pragma once
// Where in the stream the listener is now. SDL cannot report the position of
// the device. Where a sound server says how much it holds, its readings place
// the listener (see ServerPosition). Otherwise the position is estimated from
// the latest callback: the frames handed over before it, less what the device
// still holds ahead of them, plus the time since; that guess is given with
// each question. The estimate stays behind what was handed over (the picture
// must not run ahead of the sound) and never moves backwards. The callback
// hands its figures over without a lock; one program thread reads them.

#include <cstdint>
#include <optional>

#include "audio/seqlock.h"
#include "audio/server_position.h"

class AudibleClock {
public:
  AudibleClock(std::uint32_t sampleRate, std::uint64_t tickFrequency);

  // From the audio callback: `frames` stream frames were just handed over
  // at time `ticks`.
  void handedOver(std::uint64_t frames, std::uint64_t ticks);

  // The index of the first frame not yet audible at `nowTicks`, or nothing
  // before the first callback. latencyFrames: how much the device has queued
  // ahead of a new buffer.
  std::optional<std::uint64_t> audibleFrame(std::uint64_t nowTicks, std::uint32_t latencyFrames);

  // A sound server's reading: it held `heldSeconds` of the stream at `ticks`,
  // beside the frames handed over by the latest callback. From one thread at a
  // time, any thread, never holding the callback off; from then on the
  // readings place the listener, not `latencyFrames`.
  void serverHeld(double heldSeconds, std::uint64_t ticks);

  std::uint64_t framesHandedOver() const;

private:
  const double framesPerTick_;

  // What the latest callback left; written by the callback only.
  struct Handover {
    bool started = false;
    std::uint64_t handedBefore = 0; // frames handed before the latest callback
    std::uint64_t handedAfter = 0;  // ... and including it
    std::uint64_t callbackTicks = 0;
  };
  Seqlock<Handover> handover_;
  std::uint64_t handedSoFar_ = 0;  // the callback's own running count
  std::uint64_t lastReported_ = 0; // the reading thread's
  ServerPosition server_;
};
