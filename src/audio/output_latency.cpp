#include "audio/output_latency.h"

#include <algorithm>
#include <cmath>

OutputLatency::OutputLatency(std::uint32_t sampleRate)
    : sampleRate_(static_cast<double>(sampleRate)) {}

bool OutputLatency::add(double seconds) {
  if (!(seconds >= 0.0)) // also NaN
    return false;
  recent_[next_] = std::min(seconds, maxSeconds);
  next_ = (next_ + 1) % readingsKept;
  count_ = std::min(count_ + 1, readingsKept);
  return true;
}

std::optional<std::uint32_t> OutputLatency::latencyFrames() const {
  if (count_ == 0)
    return std::nullopt;
  std::array<double, readingsKept> sorted = recent_;
  const auto end = sorted.begin() + static_cast<std::ptrdiff_t>(count_);
  const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(count_ / 2);
  std::nth_element(sorted.begin(), middle, end);
  return static_cast<std::uint32_t>(std::lround(*middle * sampleRate_));
}
