#include "audio/spectrum_analyser.h"

#include <cmath>
#include <kiss_fftr.h>
#include <new>
#include <numbers>

struct SpectrumAnalyser::Plan {
  kiss_fftr_cfg config = kiss_fftr_alloc(static_cast<int>(windowSize), 0, nullptr, nullptr);
  std::array<kiss_fft_cpx, binCount + 1> bins{};
  ~Plan() { kiss_fftr_free(config); }
};

SpectrumAnalyser::SpectrumAnalyser() : plan_(std::make_unique<Plan>()) {
  if (plan_->config == nullptr)
    throw std::bad_alloc();
  // Periodic Hann window; its coefficients sum to windowSize / 2, so a sine of
  // amplitude 1 on a bin transforms to windowSize / 4 there.
  constexpr double sineGain = static_cast<double>(windowSize) / 4.0 / fullScaleSineReading;
  for (std::size_t n = 0; n < windowSize; ++n) {
    const double phase = 2.0 * std::numbers::pi * static_cast<double>(n) / windowSize;
    window_[n] = static_cast<float>((0.5 - 0.5 * std::cos(phase)) / sineGain);
  }
}

SpectrumAnalyser::~SpectrumAnalyser() = default;

void SpectrumAnalyser::analyse(const float* samples, float* magnitudes) {
  for (std::size_t n = 0; n < windowSize; ++n)
    windowed_[n] = samples[n] * window_[n];
  kiss_fftr(plan_->config, windowed_.data(), plan_->bins.data());
  for (std::size_t k = 0; k < binCount; ++k)
    magnitudes[k] = std::hypot(plan_->bins[k].r, plan_->bins[k].i);
}
