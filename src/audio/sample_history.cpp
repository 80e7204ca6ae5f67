#include "audio/sample_history.h"

#include <algorithm>
#include <bit>

SampleHistory::SampleHistory(std::size_t capacityFrames)
    : samples_(std::bit_ceil(std::max<std::size_t>(capacityFrames, 2))),
      mask_(samples_.size() - 1) {}

void SampleHistory::appendStereo(const float* interleaved, std::size_t frames) {
  const std::uint64_t written = written_.load(std::memory_order_relaxed);
  // Announced before any slot is touched, so a reader can tell which of the
  // frames it copied may have been replaced under it.
  claimed_.store(written + frames, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  for (std::size_t i = 0; i < frames; ++i)
    samples_[(static_cast<std::size_t>(written) + i) & mask_].store(
        0.5f * (interleaved[2 * i] + interleaved[2 * i + 1]), std::memory_order_relaxed);
  written_.store(written + frames, std::memory_order_release);
}

std::uint64_t SampleHistory::framesWritten() const {
  return written_.load(std::memory_order_acquire);
}

void SampleHistory::restartAt(std::uint64_t frame) {
  for (std::atomic<float>& sample : samples_)
    sample.store(0.0f, std::memory_order_relaxed);
  claimed_.store(frame, std::memory_order_relaxed);
  written_.store(frame, std::memory_order_release);
}

void SampleHistory::copyEnding(std::uint64_t end, float* out, std::size_t count) const {
  const std::uint64_t capacity = samples_.size();
  const std::uint64_t written = written_.load(std::memory_order_acquire);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t back = count - i;
    const bool ready = end >= back && end - back < written;
    out[i] =
        ready
            ? samples_[static_cast<std::size_t>(end - back) & mask_].load(std::memory_order_relaxed)
            : 0.0f;
  }
  // Whatever the writer claimed by the end of the copy may have replaced a
  // frame copied above: those read as silence.
  std::atomic_thread_fence(std::memory_order_acquire);
  const std::uint64_t claimed = claimed_.load(std::memory_order_relaxed);
  const std::uint64_t oldest = claimed > capacity ? claimed - capacity : 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t back = count - i;
    if (end < back || end - back < oldest)
      out[i] = 0.0f;
  }
}
