#include "audio/frame_ring.h"

#include <algorithm>
#include <bit>

FrameRing::FrameRing(std::size_t capacityFrames)
    : samples_(std::bit_ceil(std::max<std::size_t>(capacityFrames, 2)) * channels),
      mask_(std::bit_ceil(std::max<std::size_t>(capacityFrames, 2)) - 1) {}

std::size_t FrameRing::freeFrames() const {
  return capacity() - availableFrames();
}

std::size_t FrameRing::availableFrames() const {
  const std::uint64_t taken = taken_.load(std::memory_order_acquire);
  const std::uint64_t written = written_.load(std::memory_order_acquire);
  return static_cast<std::size_t>(written - taken);
}

std::size_t FrameRing::write(const float* interleaved, std::size_t frames) {
  const std::uint64_t written = written_.load(std::memory_order_relaxed);
  const std::uint64_t taken = taken_.load(std::memory_order_acquire);
  const std::size_t room = capacity() - static_cast<std::size_t>(written - taken);
  const std::size_t count = std::min(frames, room);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t slot = (static_cast<std::size_t>(written) + i) & mask_;
    samples_[slot * channels] = interleaved[i * channels];
    samples_[slot * channels + 1] = interleaved[i * channels + 1];
  }
  written_.store(written + count, std::memory_order_release);
  return count;
}

std::size_t FrameRing::read(float* interleaved, std::size_t frames) {
  const std::uint64_t taken = taken_.load(std::memory_order_relaxed);
  const std::uint64_t written = written_.load(std::memory_order_acquire);
  const std::size_t count = std::min(frames, static_cast<std::size_t>(written - taken));
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t slot = (static_cast<std::size_t>(taken) + i) & mask_;
    interleaved[i * channels] = samples_[slot * channels];
    interleaved[i * channels + 1] = samples_[slot * channels + 1];
  }
  taken_.store(taken + count, std::memory_order_release);
  return count;
}
