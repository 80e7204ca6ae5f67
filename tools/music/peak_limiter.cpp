#include "music/peak_limiter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr std::size_t taps = 2 * PeakLimiter::reach;

// Windowed-sinc interpolation at a quarter, a half and three quarters of the
// way from one frame to the next, from the 12 frames around them.
std::array<std::array<double, taps>, 3> makeInterpolators() {
  std::array<std::array<double, taps>, 3> table{};
  for (std::size_t p = 0; p < 3; ++p) {
    const double fraction = 0.25 * static_cast<double>(p + 1);
    for (std::size_t j = 0; j < taps; ++j) {
      const double t = fraction - (static_cast<double>(j) - 5.0);
      const double x = std::numbers::pi * t;
      const double sinc = std::fabs(t) < 1e-12 ? 1.0 : std::sin(x) / x;
      const double window = 0.5 + 0.5 * std::cos(std::numbers::pi * t / 6.5);
      table[p][j] = sinc * window;
    }
  }
  return table;
}

const std::array<std::array<double, taps>, 3> interpolators = makeInterpolators();

} // namespace

double PeakLimiter::truePeak(const double* frames, std::size_t at) {
  double peak = std::max(std::fabs(frames[2 * at]), std::fabs(frames[2 * at + 1]));
  for (const auto& weights : interpolators)
    for (std::size_t c = 0; c < 2; ++c) {
      double sum = 0.0;
      for (std::size_t j = 0; j < taps; ++j)
        sum += weights[j] * frames[2 * (at + j - 5) + c];
      peak = std::max(peak, std::fabs(sum));
    }
  return peak;
}

PeakLimiter::PeakLimiter(double ceiling, std::size_t lookahead, double releaseSeconds,
                         double sampleRate)
    : ceiling_(ceiling), lookahead_(lookahead),
      releaseStep_(1.0 - std::exp(-1.0 / (releaseSeconds * sampleRate))),
      delayed_(2 * lookahead, 0.0), recent_(lookahead, 1.0),
      recentSum_(static_cast<double>(lookahead)) {}

void PeakLimiter::process(const float* in, std::size_t frames, std::vector<float>& out) {
  for (std::size_t i = 0; i < frames; ++i)
    measure(in[2 * i], in[2 * i + 1], out);
}

void PeakLimiter::finish(std::vector<float>& out) {
  for (std::size_t i = 0; i < reach; ++i)
    measure(0.0, 0.0, out);
  for (std::size_t i = 0; i < lookahead_; ++i)
    push(0.0, 0.0, 0.0, out);
}

// Frames enter the limiter `reach` frames late, once their true peak is known;
// the history starts as silence.
void PeakLimiter::measure(double left, double right, std::vector<float>& out) {
  std::copy(history_.begin() + 2, history_.end(), history_.begin());
  history_[2 * taps - 2] = left;
  history_[2 * taps - 1] = right;
  if (++measured_ <= reach)
    return;
  constexpr std::size_t at = 5;
  push(history_[2 * at], history_[2 * at + 1], truePeak(history_.data(), at), out);
}

// The gain a frame needs, made the smallest of the last lookahead + 1 frames
// (so it holds from before a peak until the peak has gone out), released
// slowly, then averaged over lookahead frames: by the time a frame leaves the
// delay, every gain in the average was at or below what that frame needs.
void PeakLimiter::push(double left, double right, double peak, std::vector<float>& out) {
  const double needed = peak > ceiling_ ? ceiling_ / peak : 1.0;
  while (!minimum_.empty() && minimum_.back().second >= needed)
    minimum_.pop_back();
  minimum_.emplace_back(index_, needed);
  while (minimum_.front().first + lookahead_ < index_)
    minimum_.pop_front();
  released_ = std::min(minimum_.front().second, released_ + (1.0 - released_) * releaseStep_);

  const std::size_t slot = index_ % lookahead_;
  recentSum_ += released_ - recent_[slot];
  recent_[slot] = released_;
  const double gain = std::min(1.0, recentSum_ / static_cast<double>(lookahead_));
  if (index_ >= lookahead_) {
    out.push_back(static_cast<float>(gain * delayed_[2 * slot]));
    out.push_back(static_cast<float>(gain * delayed_[2 * slot + 1]));
    if (gains_ != nullptr)
      gains_->push_back(static_cast<float>(gain));
  }
  delayed_[2 * slot] = left;
  delayed_[2 * slot + 1] = right;
  ++index_;
}
