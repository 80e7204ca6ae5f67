#pragma once
// The mono mix of every frame handed to the output, by its index in the
// stream, kept long enough to take a transform window ending at the audible
// position. Written by the audio callback (the only writer), read by the
// program thread, without locks: the callback never waits.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

class SampleHistory {
public:
  // capacityFrames is rounded up to a power of two.
  explicit SampleHistory(std::size_t capacityFrames);

  // Adds the mono mix of `frames` interleaved stereo frames.
  void appendStereo(const float* interleaved, std::size_t frames);
  std::uint64_t framesWritten() const;
  // For the writer, with no reader at work: the stream goes on at `frame`,
  // everything before it silence.
  void restartAt(std::uint64_t frame);

  // Fills out[0..count) with the frames ending just before frame `end`.
  // Frames before the stream's start, not yet written or already overwritten
  // (also while being copied) read as silence.
  void copyEnding(std::uint64_t end, float* out, std::size_t count) const;

private:
  std::vector<std::atomic<float>> samples_;
  std::size_t mask_;
  // Frames the writer has started to write, and those it has finished.
  std::atomic<std::uint64_t> claimed_{0};
  std::atomic<std::uint64_t> written_{0};
};
