#include "show/flash_count.h"

#include <algorithm>

namespace {

// The turning points of a series, a threshold apart, followed value by value.
class TransitionCounter {
public:
  TransitionCounter(double threshold, double darkerBelow, std::vector<std::size_t>& frames)
      : threshold_(threshold), darkerBelow_(darkerBelow), frames_(frames) {}

  void add(std::size_t frame, double value) {
    if (frame == 0) {
      low_ = high_ = value;
      return;
    }
    switch (trend_) {
    case Trend::unknown:
      low_ = std::min(low_, value);
      high_ = std::max(high_, value);
      if (value - low_ >= threshold_)
        rise(frame, value, low_);
      else if (high_ - value >= threshold_)
        fall(frame, value);
      return;
    case Trend::rising:
      if (value > extreme_)
        extreme_ = value;
      else if (extreme_ - value >= threshold_)
        fall(frame, value);
      return;
    case Trend::falling:
      if (value < extreme_) {
        extreme_ = value;
        if (fallUncounted_ && value < darkerBelow_) {
          fallUncounted_ = false;
          frames_.push_back(fallFrame_);
        }
      } else if (value - extreme_ >= threshold_) {
        rise(frame, value, extreme_);
      }
      return;
    }
  }

private:
  enum class Trend { unknown, rising, falling };

  // A rise's darker end is where it started; a fall's is still to come.
  void rise(std::size_t frame, double value, double from) {
    trend_ = Trend::rising;
    extreme_ = value;
    fallUncounted_ = false;
    if (from < darkerBelow_)
      frames_.push_back(frame);
  }
  void fall(std::size_t frame, double value) {
    trend_ = Trend::falling;
    extreme_ = value;
    fallFrame_ = frame;
    fallUncounted_ = !(value < darkerBelow_);
    if (!fallUncounted_)
      frames_.push_back(frame);
  }

  double threshold_, darkerBelow_;
  std::vector<std::size_t>& frames_;
  Trend trend_ = Trend::unknown;
  double low_ = 0.0, high_ = 0.0; // before the first turn: the extremes so far
  double extreme_ = 0.0;          // the highest of a rise, the lowest of a fall
  std::size_t fallFrame_ = 0;     // where this fall reached the threshold
  bool fallUncounted_ = false;    // ... while still too bright to count
};

} // namespace

std::vector<std::size_t> transitionFrames(std::span<const double> values, double threshold,
                                          double darkerBelow) {
  std::vector<std::size_t> frames;
  TransitionCounter counter(threshold, darkerBelow, frames);
  for (std::size_t n = 0; n < values.size(); ++n)
    counter.add(n, values[n]);
  return frames;
}

BusiestSecond busiestSecond(std::span<const std::size_t> transitions, std::size_t framesPerSecond) {
  // The busiest second can be taken to start at a transition.
  BusiestSecond busiest;
  std::size_t end = 0;
  for (std::size_t first = 0; first < transitions.size(); ++first) {
    while (end < transitions.size() && transitions[end] < transitions[first] + framesPerSecond)
      ++end;
    const int flashes = static_cast<int>((end - first) / 2);
    if (flashes > busiest.flashes)
      busiest = BusiestSecond{flashes, transitions[first]};
  }
  return busiest;
}

FlashFigures countFlashes(std::span<const FrameQuarters> frames, int fps) {
  FlashFigures figures;
  const auto second = static_cast<std::size_t>(fps);
  std::vector<double> luminance(frames.size()), redness(frames.size());
  for (std::size_t w = 0; w < quarterWindowCount; ++w) {
    for (std::size_t n = 0; n < frames.size(); ++n) {
      luminance[n] = frames[n][w].luminance;
      redness[n] = frames[n][w].redness;
      figures.highestLuminance = std::max(figures.highestLuminance, luminance[n]);
    }
    const BusiestSecond general = busiestSecond(
        transitionFrames(luminance, generalFlashStep, generalFlashDarkerBelow), second);
    const BusiestSecond red = busiestSecond(transitionFrames(redness, redFlashStep), second);
    if (general.flashes > figures.general.flashes)
      figures.general = general;
    if (red.flashes > figures.red.flashes)
      figures.red = red;
  }
  return figures;
}
