#pragma once
// The last `Kept` values of a noisy reading, and robust levels of them: a
// few wild values move neither.

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>

template <std::size_t Kept> class RecentValues {
public:
  static constexpr std::size_t kept = Kept;

  void add(double value) {
    recent_[next_] = value;
    next_ = (next_ + 1) % Kept;
    count_ = std::min(count_ + 1, Kept);
  }

  // Nothing before the first value; a lasting change moves it within half
  // of them.
  std::optional<double> median() const {
    if (count_ == 0)
      return std::nullopt;
    std::array<double, Kept> sorted = recent_;
    const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(count_ / 2);
    std::nth_element(sorted.begin(), middle, sorted.begin() + static_cast<std::ptrdiff_t>(count_));
    return *middle;
  }

  // Halfway between the lower and upper quartiles: the middle of values that
  // swing between two levels in any proportion (each above a quarter), where
  // the median jumps from one level to the other.
  std::optional<double> midhinge() const {
    if (count_ == 0)
      return std::nullopt;
    std::array<double, Kept> sorted = recent_;
    const auto end = sorted.begin() + static_cast<std::ptrdiff_t>(count_);
    const auto lower = sorted.begin() + static_cast<std::ptrdiff_t>(count_ / 4);
    const auto upper = sorted.begin() + static_cast<std::ptrdiff_t>(count_ - 1 - count_ / 4);
    std::nth_element(sorted.begin(), lower, end);
    const double lowerQuartile = *lower;
    // What follows the lower quartile is no less; only it is reordered now.
    std::nth_element(lower + 1, upper, end);
    return (lowerQuartile + *upper) / 2.0;
  }

private:
  std::array<double, Kept> recent_{};
  std::size_t count_ = 0;
  std::size_t next_ = 0;
};
