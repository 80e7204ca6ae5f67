#pragma once
// A Hann-windowed real transform of a fixed size: the one owner of a KISS FFT
// plan, its window and its buffers, for the show's spectrum and the music
// tools alike.

#include <cmath>
#include <complex>
#include <cstddef>
#include <memory>
#include <vector>

class RealTransform {
public:
  // `size` samples (even), each weighed by a periodic Hann window divided by
  // `windowDivisor` before the transform.
  explicit RealTransform(std::size_t size, double windowDivisor = 1.0);
  ~RealTransform();
  RealTransform(const RealTransform&) = delete;
  RealTransform& operator=(const RealTransform&) = delete;

  std::size_t size() const { return size_; }
  std::size_t binCount() const { return size_ / 2 + 1; }

  // Windows and transforms `size()` samples.
  void transform(const float* samples);
  // Or fill input() with `size()` samples, then transform() them.
  float* input() { return input_.data(); }
  void transform() { transform(input_.data()); }

  // Bin k of the last transform, 0 <= k <= size() / 2.
  const std::complex<float>& bin(std::size_t k) const { return bins_[k]; }
  double power(std::size_t k) const {
    return static_cast<double>(bins_[k].real()) * bins_[k].real() +
           static_cast<double>(bins_[k].imag()) * bins_[k].imag();
  }
  float magnitude(std::size_t k) const { return std::hypot(bins_[k].real(), bins_[k].imag()); }

private:
  struct Plan;
  std::size_t size_;
  std::unique_ptr<Plan> plan_;
  std::vector<float> window_, input_, windowed_;
  std::vector<std::complex<float>> bins_;
};
