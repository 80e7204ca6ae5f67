#pragma once
// A Hann-windowed real transform of a fixed size: the one owner of a KISS FFT
// plan, its window and its buffers, for the show's spectrum and the music
// tools alike.

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

  // The last transform's bins 0 .. size() / 2, or the magnitudes of bins
  // 0 .. count - 1, or their powers.
  void bins(std::vector<std::complex<float>>& out) const;
  void magnitudes(float* out, std::size_t count) const;
  void powers(std::vector<double>& out) const;

private:
  struct Plan;
  std::size_t size_;
  std::unique_ptr<Plan> plan_;
  std::vector<float> window_, input_, windowed_;
};
