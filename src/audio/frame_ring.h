#pragma once
// Decode-ahead buffer between the decoding thread (the only writer) and the
// audio callback (the only reader): interleaved stereo float frames, no locks,
// so the callback never waits for the decoder.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

class FrameRing {
public:
  static constexpr std::size_t channels = 2;

  // capacityFrames is rounded up to a power of two.
  explicit FrameRing(std::size_t capacityFrames);

  std::size_t capacity() const { return mask_ + 1; }
  // Frames the writer may add now; never less than the truth.
  std::size_t freeFrames() const;
  // Frames the reader may take now.
  std::size_t availableFrames() const;

  // Writer side: copies up to `frames` frames, returns how many fitted.
  std::size_t write(const float* interleaved, std::size_t frames);
  // Reader side: copies up to `frames` frames, returns how many there were.
  std::size_t read(float* interleaved, std::size_t frames);

private:
  std::vector<float> samples_;
  std::size_t mask_;
  // Running frame counts; their difference is the fill level.
  std::atomic<std::uint64_t> written_{0};
  std::atomic<std::uint64_t> taken_{0};
};
