#pragma once
// One playing music stream: a worker decodes ahead into a small ring, the
// audio callback copies from the ring and records what it handed over, and
// the program thread asks for the spectrum of what is audible now.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "audio/audible_clock.h"
#include "audio/decode_worker.h"
#include "audio/frame_ring.h"
#include "audio/sample_history.h"
#include "audio/spectrum_analyser.h"
#include "audio/vorbis_loop_decoder.h"

class MusicStream {
public:
  MusicStream(std::unique_ptr<VorbisLoopDecoder> decoder, std::uint32_t sampleRate,
              std::uint64_t tickFrequency);
  ~MusicStream();
  MusicStream(const MusicStream&) = delete;
  MusicStream& operator=(const MusicStream&) = delete;

  void play(bool loop);
  void stop();

  // From the audio callback: the next `frames` stereo frames, silence when
  // stopped or when the decoder has fallen behind. Volume is not applied here,
  // so the spectrum does not depend on it.
  void render(float* out, std::size_t frames, std::uint64_t ticks);

  // The spectrum of the window ending at the audible position, or false
  // before anything has been handed to the device. latencyFrames: what the
  // device holds ahead of each new buffer, until a sound server has said.
  bool spectrum(float* magnitudes, std::uint64_t nowTicks, std::uint32_t latencyFrames);

  std::uint64_t framesHandedOver() const { return clock_.framesHandedOver(); }
  // Frames the callback had to fill with silence because the decoder had
  // fallen behind (not counting the end of the music), and in how many runs.
  std::uint64_t framesMissed() const { return framesMissed_.load(); }
  std::uint64_t dryRuns() const { return dryRuns_.load(); }

  // A sound server held `heldSeconds` of the output at `ticks`; from one
  // thread at a time, beside the callback.
  void serverHeld(double heldSeconds, std::uint64_t ticks) {
    clock_.serverHeld(heldSeconds, ticks);
  }

private:
  void decodeAhead();

  std::unique_ptr<VorbisLoopDecoder> decoder_;
  FrameRing ring_;
  SampleHistory history_;
  AudibleClock clock_;
  SpectrumAnalyser analyser_;

  std::atomic<bool> playing_{false};
  std::atomic<bool> looping_{false};
  std::atomic<bool> decoderDone_{false}; // the music ended or failed to decode
  std::atomic<std::uint64_t> framesMissed_{0};
  std::atomic<std::uint64_t> dryRuns_{0};
  bool wasDry_ = false; // the callback's own

  // Last, so that it stops before what it fills goes.
  DecodeWorker worker_;
};
