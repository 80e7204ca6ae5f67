#include "audio/sample_history.h"

#include <algorithm>
#include <bit>

SampleHistory::SampleHistory(std::size_t capacityFrames)
    : samples_(std::bit_ceil(std::max<std::size_t>(capacityFrames, 2))),
      mask_(samples_.size() - 1) {}

void SampleHistory::appendStereo(const float* interleaved, std::size_t frames) {
  const std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < frames; ++i)
    samples_[(static_cast<std::size_t>(written_) + i) & mask_] =
        0.5f * (interleaved[2 * i] + interleaved[2 * i + 1]);
  written_ += frames;
}

std::uint64_t SampleHistory::framesWritten() const {
  const std::lock_guard lock(mutex_);
  return written_;
}

void SampleHistory::copyEnding(std::uint64_t end, float* out, std::size_t count) const {
  const std::lock_guard lock(mutex_);
  const std::uint64_t oldest = written_ > samples_.size() ? written_ - samples_.size() : 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t back = count - i;
    const bool kept = end >= back && end - back >= oldest && end - back < written_;
    out[i] = kept ? samples_[static_cast<std::size_t>(end - back) & mask_] : 0.0f;
  }
}
