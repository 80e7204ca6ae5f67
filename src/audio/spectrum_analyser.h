#pragma once
// Magnitudes of a Hann-windowed 1024-sample real transform, scaled so that a
// full-scale sine centred on a bin reads 1.0 there and silence reads 0.

#include <array>
#include <cstddef>
#include <memory>

class SpectrumAnalyser {
public:
  static constexpr std::size_t windowSize = 1024;
  static constexpr std::size_t binCount = windowSize / 2;

  SpectrumAnalyser();
  ~SpectrumAnalyser();
  SpectrumAnalyser(const SpectrumAnalyser&) = delete;
  SpectrumAnalyser& operator=(const SpectrumAnalyser&) = delete;

  // samples: windowSize values, oldest first. magnitudes: binCount values.
  void analyse(const float* samples, float* magnitudes);

private:
  struct Plan;
  std::unique_ptr<Plan> plan_;
  std::array<float, windowSize> window_{};
  std::array<float, windowSize> windowed_{};
};
