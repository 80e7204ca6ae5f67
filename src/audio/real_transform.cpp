#include "audio/real_transform.h"

#include <cmath>
#include <kiss_fftr.h>
#include <new>
#include <numbers>

struct RealTransform::Plan {
  explicit Plan(std::size_t size)
      : config(kiss_fftr_alloc(static_cast<int>(size), 0, nullptr, nullptr)), bins(size / 2 + 1) {
    if (config == nullptr)
      throw std::bad_alloc();
  }
  ~Plan() { kiss_fftr_free(config); }
  Plan(const Plan&) = delete;
  Plan& operator=(const Plan&) = delete;
  kiss_fftr_cfg config;
  std::vector<kiss_fft_cpx> bins;
};

RealTransform::RealTransform(std::size_t size, double windowDivisor)
    : size_(size), plan_(std::make_unique<Plan>(size)), window_(size), input_(size),
      windowed_(size) {
  for (std::size_t n = 0; n < size; ++n) {
    const double phase =
        2.0 * std::numbers::pi * static_cast<double>(n) / static_cast<double>(size);
    window_[n] = static_cast<float>((0.5 - 0.5 * std::cos(phase)) / windowDivisor);
  }
}

RealTransform::~RealTransform() = default;

void RealTransform::transform(const float* samples) {
  for (std::size_t n = 0; n < size_; ++n)
    windowed_[n] = samples[n] * window_[n];
  kiss_fftr(plan_->config, windowed_.data(), plan_->bins.data());
}

void RealTransform::bins(std::vector<std::complex<float>>& out) const {
  out.resize(plan_->bins.size());
  for (std::size_t k = 0; k < out.size(); ++k)
    out[k] = {plan_->bins[k].r, plan_->bins[k].i};
}

void RealTransform::powers(std::vector<double>& out) const {
  out.resize(plan_->bins.size());
  for (std::size_t k = 0; k < out.size(); ++k) {
    const kiss_fft_cpx& b = plan_->bins[k];
    out[k] = static_cast<double>(b.r) * b.r + static_cast<double>(b.i) * b.i;
  }
}

void RealTransform::magnitudes(float* out, std::size_t count) const {
  for (std::size_t k = 0; k < count; ++k)
    out[k] = std::hypot(plan_->bins[k].r, plan_->bins[k].i);
}
